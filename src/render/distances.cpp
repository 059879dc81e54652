// Placeholder: replaced by the real implementation.
#include "render/distances.h"

namespace dz {
Point DistanceOrigin() {
  return Point{0, 0};
}
double MetresBetween(Point, Point) {
  return 0;
}
double RoundedLength(double m) {
  return m;
}
std::int32_t RoundDistance(double) {
  return 0;
}
void DrawDistanceLabel(Canvas&, std::int32_t, std::int32_t, std::int32_t) {}
void DrawMarkerDistances(Canvas&) {}
void DrawMoveDistance(Canvas&) {}
}  // namespace dz
