// What the page reads of the board beyond the ports: the code of the board on the screen
// (for links), the piece a finger means, and whether a text fits a character's name.
#include <emscripten/emscripten.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "board/board.h"
#include "code/coordinate_code.h"
#include "web/text.h"

namespace {

// How far a point lies outside a piece's box, squared (0 inside or on its edge).
std::int64_t DistanceSquared(const dz::Marker& m, std::int32_t x, std::int32_t y) {
  const dz::Point p = m.GetPosition();
  const auto gap = [](std::int64_t v, std::int64_t low, std::int64_t high) -> std::int64_t {
    return v < low ? low - v : (v > high ? v - high : 0);
  };
  const std::int64_t dx = gap(x, p.x, static_cast<std::int64_t>(p.x) + m.GetWidth());
  const std::int64_t dy = gap(y, p.y, static_cast<std::int64_t>(p.y) + m.GetHeight());
  return dx * dx + dy * dy;
}

}  // namespace

extern "C" {

// The code of the board as it stands, in UTF-8 (valid until the next call).
EMSCRIPTEN_KEEPALIVE const char* dz_board_code() {
  static std::string utf8;
  char code[dz::kCodeSize];
  dz::BuildCoordinateCode(code);
  utf8 = dz::web::Cp932ToUtf8(code);
  return utf8.c_str();
}

// Where a finger's press at (x, y) goes: a press on a piece stays where it is; otherwise,
// when a character's box lies within `reach` board pixels, the press goes to the centre
// of the nearest such character (the lowest slot of equally near ones). Writes the point
// to at[0], at[1] and returns 1 when it moved the press, else 0.
EMSCRIPTEN_KEEPALIVE int dz_touch_target(int x, int y, int reach, int* at) {
  for (const dz::Character& c : dz::characters) {
    if (c.Contains(x, y)) return 0;
  }
  for (const dz::Area& a : dz::areas) {
    if (a.Contains(x, y)) return 0;
  }
  const dz::Character* best = nullptr;
  std::int64_t bestDistance = static_cast<std::int64_t>(reach) * reach;
  for (const dz::Character& c : dz::characters) {
    if (!c.IsActive()) continue;
    const std::int64_t d = DistanceSquared(c, x, y);
    if (d <= bestDistance && (best == nullptr || d < bestDistance)) {
      best = &c;
      bestDistance = d;
    }
  }
  if (best == nullptr) return 0;
  const dz::Point centre = best->GetCenter();
  at[0] = centre.x;
  at[1] = centre.y;
  return 1;
}

// 1 when `utf8` fits a character's name whole: at most the name's bytes in code page 932.
EMSCRIPTEN_KEEPALIVE int dz_name_fits(const char* utf8) {
  return dz::web::Utf8ToCp932(utf8).size() <= static_cast<std::size_t>(dz::kNameBytes) ? 1 : 0;
}

}  // extern "C"
