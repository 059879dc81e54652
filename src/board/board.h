// The state of the board: the piece pools, the selection, the grid size, the interaction
// flags and the read-only tables. All of it lives for the whole process.
#pragma once

#include <cstdint>

#include "board/pieces.h"

namespace dz {

constexpr int kCharacterCount = 26;
constexpr int kAreaCount = 5;
constexpr int kGridChoiceCount = 4;
constexpr int kRadiusChoiceCount = 5;
constexpr int kColorCount = 6;
constexpr int kWorkDirSize = 261;
// Where the shadow waits, fully off the board, when no move is shown.
constexpr std::int32_t kParked = -100;

extern Character characters[kCharacterCount];
extern Character shadow;
extern Area areas[kAreaCount];

extern std::int32_t gridSize;           // pixels per cell; one cell is one metre
extern std::int32_t selectedCharacter;  // slot in characters, or −1
extern std::int32_t selectedArea;       // slot in areas, or −1
extern std::int32_t dragging;           // 1 from a press on a character to its release
extern std::int32_t measuring;          // 1 while the right button measures
extern Point areaPressPos;              // top-left of the selected area at its press
extern char workDir[kWorkDirSize];      // the directory the program started in

struct GridChoice {
  char caption[20];
  std::int32_t size;
};

extern const GridChoice gridChoices[kGridChoiceCount];
extern const char radiusChoices[kRadiusChoiceCount][20];  // entry i is i + 2 metres
extern const char defaultNames[kCharacterCount][2];       // "A" to "Z"
extern const char colorNames[kColorCount][10];
extern const std::int32_t markerColors[kColorCount][3];  // red, green, blue
extern const char* const colorLetters[kColorCount];      // "r", "g", "b", "y", "w", "p"

// The COLORREF of colour-table entry `index` (0..5).
COLORREF MarkerColor(int index);
// A colour's index in the colour table, decided by which components are exactly 255.
std::int32_t ColorIndexOf(COLORREF color);

// The selected piece, or null when the selection names no slot of its pool.
Character* SelectedCharacterPiece();
Area* SelectedAreaPiece();

// A character's top-left when snapped to the cell that holds (x, y): one pixel right of
// and below the cell's grid corner.
Point SnapToCell(std::int32_t x, std::int32_t y);

// The first free slot, or −1 when the pool is full.
std::int32_t FindFreeCharacter();
std::int32_t FindFreeArea();
// Brings the boxes of the pieces on the board to the grid size: a character's box (the
// shadow's too) is one cell, an area's twice its radius. Positions stay.
void FitPiecesToGrid();
// Changes the grid size and fits the pieces to it.
void SetGridSize(std::int32_t size);

// Takes every piece off the board and parks the shadow; the selection stays.
void ClearBoard();

// Puts the whole board state back to its state at process start (pieces, shadow,
// scalars). The program never calls it; tests and tools do.
void ResetBoardState();

}  // namespace dz
