// The distance rule (pixels to metres, rounding) and the distance overlays.
#pragma once

#include <cstdint>

#include "base/canvas.h"
#include "base/geometry.h"

namespace dz {

// Whether selectedCharacter names a slot of the pool. The overlays draw nothing without
// one (their caller never asks then); an index outside the pool is never used.
bool HasSelectedCharacter();
// Where the selected character's distances start (requires a selected character; (0, 0)
// without one).
Point DistanceOrigin();
// Unrounded metres between two points: 32-bit squares, then double.
double MetresBetween(Point a, Point b);
// The rounding rule of every distance shown: the steps that are on, applied in this
// order (the interface reads them from its settings once per frame).
struct Rounding {
  bool halfUp;
  bool down;
  bool up;
};
// The rounding steps that are on, in their fixed order, without the final conversion: the
// rounded length.
double RoundedLength(double metres, const Rounding& rounding);
// The rounded length converted to an integer by truncation toward zero.
std::int32_t RoundDistance(double metres, const Rounding& rounding);
// A double converted to a 32-bit integer by truncation toward zero, saturating at the ends
// of the range; NaN gives 0.
std::int32_t TruncateToInt32(double v);
// The pen of every distance line: solid, 1 pixel, black.
constexpr Pen kDistancePen{PenStyle::Solid, 1, kBlack};
// "%dm" with its top-left corner at (x, y).
void DrawDistanceLabel(Canvas& surface, std::int32_t x, std::int32_t y, std::int32_t n);
// "%dm" at the middle of the line from a to b, shifted 10 pixels left and up.
void DrawLabelAtMiddle(Canvas& surface, Point a, Point b, std::int32_t n);
// The lines and labels from the selected character's origin to every other piece that counts.
void DrawMarkerDistances(Canvas& surface, const Rounding& rounding);
// The line and label from the selected character to the shadow where it started.
void DrawMoveDistance(Canvas& surface, const Rounding& rounding);

}  // namespace dz
