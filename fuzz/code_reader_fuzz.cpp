// Feeds arbitrary texts to the coordinate code reader and checks the board it leaves:
// the pools hold at most what they can, every name fits its field, and the board's code
// reads back into a board with the very same code.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "board/board.h"
#include "code/coordinate_code.h"

namespace {

void Fail(const char* what) {
  std::fprintf(stderr, "code_reader_fuzz: %s\n", what);
  std::abort();
}

// A stored name: at most 3 bytes, and its last character is whole.
bool NameIsSound(const char* name) {
  const std::size_t len = strnlen(name, dz::kNameBytes + 1);
  if (len > static_cast<std::size_t>(dz::kNameBytes)) return false;
  std::size_t i = 0;
  while (i < len) {
    if (dz::IsLeadByte(static_cast<unsigned char>(name[i]))) {
      if (i + 1 >= len) return false;
      i += 2;
    } else {
      i += 1;
    }
  }
  return true;
}

void CheckBoard() {
  int activeCharacters = 0;
  for (const dz::Character& c : dz::characters) {
    if (c.IsActive()) ++activeCharacters;
    if (!NameIsSound(c.GetName())) Fail("unsound name");
    if (c.IsMelee() != 0 && c.IsMelee() != 1) Fail("melee flag not 0 or 1");
  }
  int activeAreas = 0;
  for (const dz::Area& a : dz::areas) activeAreas += a.IsActive() ? 1 : 0;
  if (activeCharacters > dz::kCharacterCount || activeAreas > dz::kAreaCount) {
    Fail("too many pieces");
  }
  if (dz::shadow.GetPosition() != dz::Point{dz::kParked, dz::kParked}) Fail("shadow not parked");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  dz::ResetBoardState();
  // The grid size changes the boxes, not the code; vary it a little all the same.
  dz::gridSize = dz::gridChoices[size % dz::kGridChoiceCount].size;
  char text[dz::kCodeSize];
  const std::size_t n = size < sizeof text - 1 ? size : sizeof text - 1;
  std::memcpy(text, data, n);
  text[n] = '\0';

  const bool empty = text[0] == '\0';
  dz::ReadCoordinateCode(text);
  if (!empty) CheckBoard();

  char first[dz::kCodeSize];
  const int firstLen = dz::BuildCoordinateCode(first);
  if (firstLen < 0 || firstLen > dz::kCodeSize - 1 || first[firstLen] != '\0') {
    Fail("code length");
  }
  char copy[dz::kCodeSize];
  std::memcpy(copy, first, sizeof copy);
  dz::ReadCoordinateCode(copy);
  if (firstLen > 0) CheckBoard();
  char second[dz::kCodeSize];
  dz::BuildCoordinateCode(second);
  if (std::strcmp(first, second) != 0) {
    std::fprintf(stderr, "first:  \"%s\"\nsecond: \"%s\"\n", first, second);
    Fail("write, read, write changed the code");
  }
  return 0;
}
