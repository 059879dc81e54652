// The distance rule (pixels to metres, rounding) and the distance overlays.
#pragma once

#include <cstdint>

#include "board/ports.h"
#include "render/canvas.h"

namespace dz {

// Where the selected character's distances start (requires a selected character).
Point DistanceOrigin();
// Unrounded metres between two points: 32-bit squares, then double.
double MetresBetween(Point a, Point b);
// The rounding steps of the ticked rounding items, in their fixed order, without the
// final conversion: the rounded length.
double RoundedLength(double metres);
// The rounded length converted to an integer by truncation toward zero.
std::int32_t RoundDistance(double metres);
// "%dm" with its top-left corner at (x, y).
void DrawDistanceLabel(Canvas& surface, std::int32_t x, std::int32_t y, std::int32_t n);
void DrawMarkerDistances(Canvas& surface);
void DrawMoveDistance(Canvas& surface);

}  // namespace dz
