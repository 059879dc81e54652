// The mouse on the board. The left button selects, drags and drops a character or an
// area; the right button, while a character is selected, switches the measuring line on
// and off. Every handler that moves a piece rewrites the coordinate code before it asks
// for a repaint; the frame itself is composed later, at the next paint.
#include "app/pointer.h"

#include <algorithm>

#include "app/settings.h"
#include "base/geometry.h"
#include "base/int32.h"
#include "board/board.h"
#include "board/ports.h"
#include "panels/ids.h"
#include "panels/panels.h"

namespace dz {
namespace {

// Where a drag takes the pointer: onto the board, its nearest point for a pointer beyond an
// edge (over a panel, below the board, or a captured pointer outside the window). A piece
// dragged off the board therefore stays on it, where it can be seen and grabbed again:
// its centre, or with snapping its whole cell, lies on the board. Codes may still hold
// pieces anywhere; only a drag is kept on the board.
Point OnBoard(Point at) {
  return Point{std::clamp(at.x, std::int32_t{0}, kBoardSize - 1),
               std::clamp(at.y, std::int32_t{0}, kBoardSize - 1)};
}

// The top-left that puts the piece's centre under (x, y).
Point CentreUnder(const Marker& piece, std::int32_t x, std::int32_t y) {
  return Point{Sub32(x, piece.GetWidth() / 2), Sub32(y, piece.GetHeight() / 2)};
}

// The half-cell line nearest above a release coordinate: with q half a cell and f a
// quarter, ((v − f) ÷ q + 1) · q. Below f the quotient truncates to 0, not −1.
std::int32_t HalfCellLine(std::int32_t v) {
  const std::int32_t q = gridSize / 2;
  const std::int32_t f = gridSize / 4;
  return ((v - f) / q + 1) * q;
}

void SelectCharacter(std::int32_t index) {
  Character& c = characters[index];
  // The selection comes first: filling the name box runs the marker panel's name
  // command at once, and that command works on the selected character.
  selectedCharacter = index;
  const Point topLeft = c.GetPosition();
  shadow.SetPosition(topLeft.x, topLeft.y);
  FillMarkerPanel(c, NameBoxFill::RunsCommand);
  ShowPiecePanel(Panel::Marker);
  dragging = 1;
  InvalidateBoard();
}

void SelectArea(std::int32_t index) {
  selectedArea = index;
  // The radius box shows the selected area's radius, so that a mere focus change of the
  // box (which runs its command) keeps the radius the area has.
  FillAreaPanel(areas[index]);
  ShowPiecePanel(Panel::Area);
  InvalidateBoard();
}

}  // namespace

void OnLeftButtonDown(Point at) {
  const std::int32_t x = at.x;
  const std::int32_t y = at.y;
  selectedCharacter = -1;
  selectedArea = -1;

  // Characters before areas, the lowest slot first; a slot's box decides, not whether
  // the slot is in use (cleared slots have an empty box and never match).
  bool hitCharacter = false;
  for (std::int32_t i = 0; i < kCharacterCount; ++i) {
    if (characters[i].Contains(x, y)) {
      SelectCharacter(i);
      hitCharacter = true;
      break;
    }
  }
  if (!hitCharacter) {
    for (std::int32_t j = 0; j < kAreaCount; ++j) {
      if (areas[j].Contains(x, y)) {
        SelectArea(j);
        break;
      }
    }
  }
  if (Area* area = SelectedAreaPiece()) areaPressPos = area->GetPosition();
}

void OnMouseMove(HeldButtons buttons, Point pointer) {
  const Point at = OnBoard(pointer);
  const std::int32_t x = at.x;
  const std::int32_t y = at.y;
  const bool left = buttons.left;
  const bool right = buttons.right;

  if (Character* c = SelectedCharacterPiece(); left && c != nullptr) {
    const Point topLeft = IsSettingOn(IDM_SNAP) ? SnapToCell(x, y) : CentreUnder(*c, x, y);
    // A move that leaves the piece where it is (within its cell while snapping) changes
    // nothing in the frame, unless the measuring line follows the pointer: no repaint then.
    // The code is still written (the user may have typed into its field);
    // WriteCoordinateCode leaves a field that shows it alone.
    const bool moved = topLeft != c->GetPosition();
    c->SetPosition(topLeft.x, topLeft.y);
    WriteCoordinateCode();
    if (moved || measuring) InvalidateBoard();
  } else if (right && c != nullptr) {
    // The measuring line follows the pointer.
    InvalidateBoard();
  } else if (Area* a = SelectedAreaPiece(); left && a != nullptr) {
    const Point topLeft = CentreUnder(*a, x, y);
    const bool moved = topLeft != a->GetPosition();
    a->SetPosition(topLeft.x, topLeft.y);
    WriteCoordinateCode();
    if (moved) InvalidateBoard();
  }
}

void OnLeftButtonUp(Point pointer) {
  const Point at = OnBoard(pointer);
  const std::int32_t x = at.x;
  const std::int32_t y = at.y;

  if (Character* c = SelectedCharacterPiece()) {
    if (IsSettingOn(IDM_SNAP)) {
      const Point topLeft = SnapToCell(x, y);
      c->SetPosition(topLeft.x, topLeft.y);
    }
    const Point topLeft = c->GetPosition();
    shadow.SetPosition(topLeft.x, topLeft.y);

    // The melee rule: the check box is offered only while the centre lies inside an
    // area's box; elsewhere the character leaves the melee.
    const Point centre = c->GetCenter();
    bool inArea = false;
    for (const Area& area : areas) inArea = inArea || area.Contains(centre.x, centre.y);
    if (!OfferMeleeCheck(inArea)) c->SetMelee(0);

    WriteCoordinateCode();
    dragging = 0;
    InvalidateBoard();
    return;
  }

  Area* a = SelectedAreaPiece();
  if (a == nullptr) return;
  // A press and release without movement leaves the area exactly where it was.
  if (a->GetPosition() == areaPressPos) return;
  if (IsSettingOn(IDM_SNAP)) {
    // The centre goes onto a half-cell line; the box is 2 · r · g wide, so the top-left
    // lies r · g further up and left.
    const std::int32_t toCorner = Mul32(a->GetRadius(), gridSize);
    a->SetPosition(Sub32(HalfCellLine(x), toCorner), Sub32(HalfCellLine(y), toCorner));
  }
  WriteCoordinateCode();
  InvalidateBoard();
}

void OnRightButtonDown() {
  if (SelectedCharacterPiece() == nullptr) return;
  measuring = 1;
  InvalidateBoard();
}

void OnRightButtonUp() {
  if (!measuring) return;
  InvalidateBoard();
  measuring = 0;
}

}  // namespace dz
