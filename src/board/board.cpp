#include "board/board.h"

#include <cstring>

#include "base/int32.h"

namespace dz {

Character characters[kCharacterCount];
Character shadow;
Area areas[kAreaCount];

std::int32_t gridSize = 30;
std::int32_t selectedCharacter = -1;
std::int32_t selectedArea = -1;
std::int32_t dragging = 0;
std::int32_t measuring = 0;
Point areaPressPos = {0, 0};
char workDir[kWorkDirSize] = {};

// The texts below are code page 932 bytes written out, so that every compiler gives the same
// bytes whatever its execution character set; the decoded text stands beside each.
const GridChoice gridChoices[kGridChoiceCount] = {
    {"20\x81~20(30\x81~30)", 20},  // 20×20(30×30)
    {"25\x81~25(24\x81~24)", 25},  // 25×25(24×24)
    {"30\x81~30(20\x81~20)", 30},  // 30×30(20×20)
    {"40\x81~40(15\x81~15)", 40},  // 40×40(15×15)
};

const char radiusChoices[kRadiusChoiceCount][20] = {"2m", "3m", "4m", "5m", "6m"};

const char defaultNames[kCharacterCount][2] = {
    "A", "B", "C", "D", "E", "F", "G", "H", "I", "J", "K", "L", "M",
    "N", "O", "P", "Q", "R", "S", "T", "U", "V", "W", "X", "Y", "Z",
};

const char colorNames[kColorCount][10] = {
    "\x90\xd4",          // 赤
    "\x97\xce",          // 緑
    "\x90\xc2",          // 青
    "\x89\xa9",          // 黄
    "\x90\x85\x90\x46",  // 水色
    "\x8e\x87",          // 紫
};

const std::int32_t markerColors[kColorCount][3] = {
    {255, 1, 1}, {1, 255, 1}, {1, 1, 255}, {255, 255, 1}, {1, 255, 255}, {255, 1, 255},
};

const char* const colorLetters[kColorCount] = {"r", "g", "b", "y", "w", "p"};

COLORREF MarkerColor(int index) {
  const std::int32_t* rgb = markerColors[index];
  return MakeColor(rgb[0], rgb[1], rgb[2]);
}

std::int32_t ColorIndexOf(COLORREF color) {
  const bool r = (color & 0xFF) == 255;
  const bool g = ((color >> 8) & 0xFF) == 255;
  const bool b = ((color >> 16) & 0xFF) == 255;
  if (r && g) return 3;
  if (r && b) return 5;
  if (r) return 0;
  if (g && b) return 4;
  if (g) return 1;
  if (b) return 2;
  return 0;
}

Character* SelectedCharacterPiece() {
  if (selectedCharacter < 0 || selectedCharacter >= kCharacterCount) return nullptr;
  return &characters[selectedCharacter];
}

Area* SelectedAreaPiece() {
  if (selectedArea < 0 || selectedArea >= kAreaCount) return nullptr;
  return &areas[selectedArea];
}

Point SnapToCell(std::int32_t x, std::int32_t y) {
  return Point{Add32(Mul32(Div32(x, gridSize), gridSize), 1),
               Add32(Mul32(Div32(y, gridSize), gridSize), 1)};
}

std::int32_t FindFreeCharacter() {
  for (int i = 0; i < kCharacterCount; ++i) {
    if (!characters[i].IsActive()) return i;
  }
  return -1;
}

std::int32_t FindFreeArea() {
  for (int i = 0; i < kAreaCount; ++i) {
    if (!areas[i].IsActive()) return i;
  }
  return -1;
}

void FitPiecesToGrid() {
  const auto fit = [](Marker& piece, std::int32_t size) {
    piece.SetWidth(size);
    piece.SetHeight(size);
  };
  if (shadow.IsActive()) fit(shadow, CharacterSize());
  for (Character& c : characters) {
    if (c.IsActive()) fit(c, CharacterSize());
  }
  for (Area& a : areas) {
    if (a.Image() != nullptr) fit(a, AreaSize(a.GetRadius()));
  }
}

void SetGridSize(std::int32_t size) {
  gridSize = size;
  FitPiecesToGrid();
}

void ClearBoard() {
  for (Character& c : characters) c.Clear();
  for (Area& a : areas) a.Clear();
  shadow.SetPosition(kParked, kParked);
}

void ResetBoardState() {
  for (Character& c : characters) c = Character();
  shadow = Character();
  for (Area& a : areas) a = Area();
  gridSize = 30;
  selectedCharacter = -1;
  selectedArea = -1;
  dragging = 0;
  measuring = 0;
  areaPressPos = Point{0, 0};
  std::memset(workDir, 0, sizeof workDir);
}

}  // namespace dz
