// Points and the fixed geometry of the board and the main window.
#pragma once

#include <cstdint>

namespace dz {

// A position in pixels of the main window's client area: origin at the board's top-left,
// y growing downwards.
struct Point {
  std::int32_t x;
  std::int32_t y;
};

inline bool operator==(Point a, Point b) {
  return a.x == b.x && a.y == b.y;
}
inline bool operator!=(Point a, Point b) {
  return !(a == b);
}

// The board: its frame and grid span 600 pixels each way.
constexpr std::int32_t kBoardSize = 600;
// The off-screen surfaces are one column wider than the board: the right edge of the frame.
constexpr std::int32_t kSurfaceWidth = kBoardSize + 1;
constexpr std::int32_t kSurfaceHeight = kBoardSize;
// The main window's client rectangle as its outer size is computed (the menu bar takes its
// height out of it); also the extent of the frame's copy to the window.
constexpr std::int32_t kClientWidth = 800;
constexpr std::int32_t kClientHeight = 620;
// The side panels' left edge: right of the surfaces' columns.
constexpr std::int32_t kPanelLeft = kSurfaceWidth;

}  // namespace dz
