// The three side panels: the board panel (grid size, background picture, add, clear, copy
// and load the code), the marker panel (name, colour, melee flag, delete of the selected
// character) and the area panel (radius, delete of the selected area).
//
// Every notification of a control runs its command, focus changes included. The commands
// therefore never take a value from outside the tables, and the marker and area commands
// do nothing at all while no piece of their kind is selected.
#include "panels/panels.h"

#include <cstdio>
#include <cstring>
#include <memory>

#include "board/board.h"
#include "board/ports.h"
#include "code/coordinate_code.h"
#include "panels/ids.h"
#include "panels/ui_ports.h"
#include "render/surfaces.h"

namespace dz {
namespace {

constexpr int kNameBoxSize = 100;
constexpr int kFileNameSize = 260;

// While set, the name box is being filled by the board panel itself (to show the selected
// character after a load); its notification then changes nothing.
bool fillingNameBox = false;

// After a load, or an add that fills the slot a cleared piece left selected, the selection
// points at a slot that now holds another piece. The marker and area panels are set from
// that slot again, so that a focus change in one of their boxes does not carry the former
// piece's name, colour or radius over onto it.
void ShowSelectedPieces() {
  if (const Character* c = SelectedCharacterPiece()) FillMarkerPanel(*c, NameBoxFill::Silent);
  if (const Area* a = SelectedAreaPiece()) FillAreaPanel(*a);
}

ClipboardResult CopyCode() {
  char text[kCodeSize];
  uiPorts.panels->GetText(Panel::Board, IDC_BOARD_CODE, text, kCodeSize);
  return uiPorts.clipboard->PutText(text);
}

void ApplyGridSize() {
  const int i = uiPorts.panels->ComboSelection(Panel::Board, IDC_BOARD_GRID);
  if (i < 0 || i >= kGridChoiceCount) return;  // no entry chosen: the size stays
  SetGridSize(gridChoices[i].size);
  if (backgroundLayer) DrawBoardBackground(*backgroundLayer);
  InvalidateBoard();
}

void LoadCode() {
  char text[kCodeSize];
  uiPorts.panels->GetText(Panel::Board, IDC_BOARD_INPUT, text, kCodeSize);
  const bool empty = text[0] == '\0';  // an empty text changes nothing
  ReadCoordinateCode(text);
  if (!empty) {
    uiPorts.panels->SetText(Panel::Board, IDC_BOARD_INPUT, "");
    ShowSelectedPieces();
  }
  InvalidateBoard();
}

void AddMarker() {
  const std::int32_t slot = FindFreeCharacter();
  if (slot < 0) return;  // all 26 on the board: nothing to add
  Character& c = characters[slot];
  c.SetColor(MarkerColor(0));
  c.SetWidth(CharacterSize());
  c.SetHeight(CharacterSize());
  c.SetPosition(1, 1);
  c.SetName(defaultNames[slot]);
  c.SetMelee(0);
  if (slot == selectedCharacter) ShowSelectedPieces();
  WriteCoordinateCode();
  InvalidateBoard();
}

void AddArea() {
  const std::int32_t slot = FindFreeArea();
  if (slot < 0) return;  // all 5 on the board: nothing to add
  Area& a = areas[slot];
  a.LoadBitmapFile("area.bmp");
  a.SetRadius(2);
  const std::int32_t p = 1 - gridSize / 2;
  a.SetPosition(p, p);
  if (slot == selectedArea) ShowSelectedPieces();
  WriteCoordinateCode();
  InvalidateBoard();
}

void LoadBackgroundPicture() {
  const char* path = ChooseBitmapFile();
  if (path == nullptr) return;
  // The picture is read from where the user chose it; the current directory is already
  // back at the working directory.
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::unique_ptr<Canvas> picture = ports.pictures->LoadPicture(path, &width, &height);
  if (!picture) {
    char message[kLoadFailureSize];
    FormatLoadFailure(message, ChosenBitmapName());
    ports.messages->ShowError(message);
  }
  // The previous picture is released; after a failed load there is none, and the board
  // shows white under the grid.
  backgroundImage = std::move(picture);
  if (backgroundLayer) DrawBoardBackground(*backgroundLayer);
  ports.repaint->InvalidateWindow();
}

}  // namespace

void WriteCoordinateCode() {
  char buf[kCodeSize];
  BuildCoordinateCode(buf);
  // A field that already shows exactly this code is left alone: setting the same text
  // changes nothing that shows, the field's own command does nothing, and the platform's
  // edit control lays the whole line out again on every set (most of a drag step's cost
  // while the piece stays in one cell). The field may hold a longer text that the user
  // typed; twice the code's size is read, so such a text is never taken for the code.
  char shown[2 * kCodeSize];
  const int n = uiPorts.panels->GetText(Panel::Board, IDC_BOARD_CODE, shown, sizeof shown);
  if (n < kCodeSize && std::strcmp(shown, buf) == 0) return;
  uiPorts.panels->SetText(Panel::Board, IDC_BOARD_CODE, buf);
}

void FillMarkerPanel(const Character& c, NameBoxFill fill) {
  fillingNameBox = fill == NameBoxFill::Silent;
  uiPorts.panels->SetText(Panel::Marker, IDC_MARKER_NAME, c.GetName());
  fillingNameBox = false;
  uiPorts.panels->SelectComboEntry(Panel::Marker, IDC_MARKER_COLOR, ColorIndexOf(c.GetColor()));
  uiPorts.panels->SetChecked(Panel::Marker, IDC_MARKER_MELEE, c.IsMelee() != 0);
}

void FillAreaPanel(const Area& area) {
  const std::int32_t r = area.GetRadius();
  const int entry = (r >= 2 && r < 2 + kRadiusChoiceCount) ? static_cast<int>(r - 2) : -1;
  uiPorts.panels->SelectComboEntry(Panel::Area, IDC_AREA_RADIUS, entry);
}

void ShowGridSize() {
  for (int i = 0; i < kGridChoiceCount; ++i) {
    if (gridChoices[i].size == gridSize) {
      uiPorts.panels->SelectComboEntry(Panel::Board, IDC_BOARD_GRID, i);
    }
  }
}

bool OfferMeleeCheck(bool offered) {
  uiPorts.panels->ShowControl(Panel::Marker, IDC_MARKER_MELEE, offered);
  return uiPorts.panels->IsControlVisible(Panel::Marker, IDC_MARKER_MELEE);
}

void ShowPiecePanel(Panel panel) {
  uiPorts.panels->ShowPanel(Panel::Area, panel == Panel::Area);
  uiPorts.panels->ShowPanel(Panel::Marker, panel == Panel::Marker);
}

void BoardPanelInit() {
  for (const GridChoice& choice : gridChoices) {
    uiPorts.panels->AddComboEntry(Panel::Board, IDC_BOARD_GRID, choice.caption);
  }
  uiPorts.panels->SelectComboEntry(Panel::Board, IDC_BOARD_GRID, 2);  // 30, the starting size
}

ClipboardResult BoardPanelCommand(int control) {
  switch (control) {
    case IDC_BOARD_COPY:
      return CopyCode();
    case IDC_BOARD_GRID:
      ApplyGridSize();
      break;
    case IDC_BOARD_LOAD:
      LoadCode();
      break;
    case IDC_BOARD_ADD_MARKER:
      AddMarker();
      break;
    case IDC_BOARD_ADD_AREA:
      AddArea();
      break;
    case IDC_BOARD_CLEAR:
      ClearBoard();
      InvalidateBoard();
      break;
    case IDC_BOARD_PICTURE:
      LoadBackgroundPicture();
      break;
    default:
      break;
  }
  return ClipboardResult::Ok;
}

void MarkerPanelInit() {
  for (const char* name : colorNames) {
    uiPorts.panels->AddComboEntry(Panel::Marker, IDC_MARKER_COLOR, name);
  }
  // The melee check box is offered only after a drop inside an area.
  uiPorts.panels->ShowControl(Panel::Marker, IDC_MARKER_MELEE, false);
}

void MarkerPanelCommand(int control) {
  Character* c = SelectedCharacterPiece();
  if (c == nullptr) return;
  switch (control) {
    case IDC_MARKER_NAME: {
      if (fillingNameBox) return;
      char name[kNameBoxSize];
      uiPorts.panels->GetText(Panel::Marker, IDC_MARKER_NAME, name, kNameBoxSize);
      c->SetName(name);  // keeps at most 3 bytes, never half a character
      break;
    }
    case IDC_MARKER_DELETE:
      c->Clear();
      selectedCharacter = -1;
      shadow.SetPosition(kParked, kParked);
      uiPorts.panels->ShowPanel(Panel::Marker, false);
      break;
    case IDC_MARKER_COLOR: {
      const int i = uiPorts.panels->ComboSelection(Panel::Marker, IDC_MARKER_COLOR);
      if (i < 0 || i >= kColorCount) return;  // no entry chosen: the colour stays
      c->SetColor(MarkerColor(i));
      break;
    }
    case IDC_MARKER_MELEE:
      c->SetMelee(uiPorts.panels->IsChecked(Panel::Marker, IDC_MARKER_MELEE) ? 1 : 0);
      break;
    default:
      return;
  }
  WriteCoordinateCode();
  InvalidateBoard();
}

void AreaPanelInit() {
  for (const char* caption : radiusChoices) {
    uiPorts.panels->AddComboEntry(Panel::Area, IDC_AREA_RADIUS, caption);
  }
  uiPorts.panels->SelectComboEntry(Panel::Area, IDC_AREA_RADIUS, 0);
}

void AreaPanelCommand(int control) {
  Area* a = SelectedAreaPiece();
  if (a == nullptr) return;
  switch (control) {
    case IDC_AREA_RADIUS: {
      const int i = uiPorts.panels->ComboSelection(Panel::Area, IDC_AREA_RADIUS);
      if (i < 0 || i >= kRadiusChoiceCount) return;  // no entry chosen: the radius stays
      a->SetRadius(i + 2);
      break;
    }
    case IDC_AREA_DELETE:
      a->Clear();
      selectedArea = -1;
      uiPorts.panels->ShowPanel(Panel::Area, false);
      break;
    default:
      return;
  }
  WriteCoordinateCode();
  InvalidateBoard();
}

namespace {
// The dialog shows the previous choice again, so both buffers live for the whole run.
char chosenPath[kFileNameSize];
char chosenName[kFileNameSize];
}  // namespace

const char* ChooseBitmapFile() {
  const bool chosen = uiPorts.files->ChooseBitmap(workDir, chosenPath, chosenName);
  uiPorts.files->SetCurrentDir(workDir);
  return chosen ? chosenPath : nullptr;
}

const char* ChosenBitmapName() {
  return chosenName;
}

void InitPanel(Panel panel) {
  switch (panel) {
    case Panel::Board:
      BoardPanelInit();
      break;
    case Panel::Marker:
      MarkerPanelInit();
      break;
    case Panel::Area:
      AreaPanelInit();
      break;
  }
}

ClipboardResult RunPanelCommand(Panel panel, int control) {
  switch (panel) {
    case Panel::Board:
      return BoardPanelCommand(control);
    case Panel::Marker:
      MarkerPanelCommand(control);
      break;
    case Panel::Area:
      AreaPanelCommand(control);
      break;
  }
  return ClipboardResult::Ok;
}

}  // namespace dz
