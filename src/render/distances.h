// The distance rule (pixels to metres, rounding) and the distance overlays.
#pragma once

#include <cstdint>

#include "base/canvas.h"
#include "board/ports.h"

namespace dz {

// Whether selectedCharacter names a slot of the pool. The overlays draw nothing without
// one (their caller never asks then); an index outside the pool is never used.
bool HasSelectedCharacter();
// Where the selected character's distances start (requires a selected character; (0, 0)
// without one).
Point DistanceOrigin();
// Unrounded metres between two points: 32-bit squares, then double.
double MetresBetween(Point a, Point b);
// The check marks of the three rounding items, read at one moment.
struct RoundingMarks {
  bool halfUp;  // 40016
  bool down;    // 40018
  bool up;      // 40017
};
RoundingMarks ReadRoundingMarks();
// The rounding steps of the ticked rounding items, in their fixed order, without the
// final conversion: the rounded length. The first form reads the marks on every call.
double RoundedLength(double metres);
double RoundedLength(double metres, const RoundingMarks& marks);
// The rounded length converted to an integer by truncation toward zero.
std::int32_t RoundDistance(double metres);
std::int32_t RoundDistance(double metres, const RoundingMarks& marks);
// A double converted to a 32-bit integer by truncation toward zero, saturating at the ends
// of the range; NaN gives 0.
std::int32_t TruncateToInt32(double v);
// The pen of every distance line: solid, 1 pixel, black.
constexpr Pen kDistancePen{PenStyle::Solid, 1, kBlack};
// "%dm" with its top-left corner at (x, y).
void DrawDistanceLabel(Canvas& surface, std::int32_t x, std::int32_t y, std::int32_t n);
// "%dm" at the middle of the line from a to b, shifted 10 pixels left and up.
void DrawLabelAtMiddle(Canvas& surface, Point a, Point b, std::int32_t n);
void DrawMarkerDistances(Canvas& surface);
void DrawMoveDistance(Canvas& surface);

}  // namespace dz
