// Setting up pieces for the drawing tests: the box sizes a drawn frame would give them.
#pragma once

#include "board/board.h"
#include "fake_ports.h"
#include "render/distances.h"

namespace dz::testing {

// An active character with the given top-left, sized as a frame at the current grid size
// leaves it.
inline Character& PlaceCharacter(int slot, std::int32_t x, std::int32_t y,
                                 COLORREF color = MarkerColor(0), const char* name = "A",
                                 std::int32_t melee = 0) {
  Character& c = characters[slot];
  c.SetColor(color);
  c.SetName(name);
  c.SetMelee(melee);
  c.SetPosition(x, y);
  c.SetWidth(gridSize);
  c.SetHeight(gridSize);
  return c;
}

// A character placed so that its centre is (cx, cy).
inline Character& CharacterCentredAt(int slot, std::int32_t cx, std::int32_t cy,
                                     std::int32_t melee = 0) {
  return PlaceCharacter(slot, cx - gridSize / 2, cy - gridSize / 2, MarkerColor(slot % 6), "A",
                        melee);
}

// An active area ("area.bmp" from the fake pictures) of the given radius at top-left (x, y).
inline Area& PlaceArea(int slot, std::int32_t x, std::int32_t y, std::int32_t radius) {
  Area& a = areas[slot];
  a.LoadBitmapFile("area.bmp");
  a.SetRadius(radius);
  a.SetPosition(x, y);
  return a;
}

// An area of the given radius whose centre is (cx, cy).
inline Area& AreaCentredAt(int slot, std::int32_t cx, std::int32_t cy, std::int32_t radius) {
  return PlaceArea(slot, cx - radius * gridSize, cy - radius * gridSize, radius);
}

// Exactly the given rounding items ticked (0 for none).
// The rounding rules with one step on, and with none.
constexpr Rounding kHalfUp{true, false, false};
constexpr Rounding kRoundDown{false, true, false};
constexpr Rounding kRoundUp{false, false, true};
constexpr Rounding kNoRounding{false, false, false};

}  // namespace dz::testing
