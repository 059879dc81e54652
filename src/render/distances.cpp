#include "render/distances.h"

#include <cmath>
#include <cstdio>
#include <limits>

#include "base/int32.h"
#include "board/board.h"

namespace dz {

namespace {

// How far a label sits up and left of the middle of its line.
constexpr std::int32_t kLabelShift = 10;

}  // namespace

bool HasSelectedCharacter() {
  return SelectedCharacterPiece() != nullptr;
}

Point DistanceOrigin() {
  if (!HasSelectedCharacter()) return Point{0, 0};
  const Character& selected = characters[selectedCharacter];
  Point o = selected.GetCenter();
  if (selected.IsMelee()) {
    // The melee area the character stands in; slots not in use have an empty box.
    for (const Area& area : areas) {
      if (area.Contains(o.x, o.y)) {
        o = area.GetCenter();
        break;
      }
    }
  }
  return o;
}

double MetresBetween(Point a, Point b) {
  const std::int32_t dx = Sub32(b.x, a.x);
  const std::int32_t dy = Sub32(b.y, a.y);
  const double sum = static_cast<double>(Mul32(dx, dx)) + static_cast<double>(Mul32(dy, dy));
  return std::sqrt(sum) / gridSize;
}

double RoundedLength(double metres, const Rounding& rounding) {
  double v = metres;
  if (rounding.halfUp) v = std::floor(v + 0.5);
  if (rounding.down) v = std::floor(v);
  if (rounding.up) v = std::ceil(v);
  return v;
}

std::int32_t TruncateToInt32(double v) {
  if (std::isnan(v)) return 0;
  if (v >= 2147483648.0) return std::numeric_limits<std::int32_t>::max();
  if (v <= -2147483649.0) return std::numeric_limits<std::int32_t>::min();
  return static_cast<std::int32_t>(v);
}

std::int32_t RoundDistance(double metres, const Rounding& rounding) {
  return TruncateToInt32(RoundedLength(metres, rounding));
}

void DrawDistanceLabel(Canvas& surface, std::int32_t x, std::int32_t y, std::int32_t n) {
  char text[16];  // "-2147483648m" and the terminator
  std::snprintf(text, sizeof text, "%dm", static_cast<int>(n));
  surface.TextAt(x, y, text);
}

void DrawLabelAtMiddle(Canvas& surface, Point a, Point b, std::int32_t n) {
  DrawDistanceLabel(surface, Sub32(Div32(Add32(a.x, b.x), 2), kLabelShift),
                    Sub32(Div32(Add32(a.y, b.y), 2), kLabelShift), n);
}

void DrawMarkerDistances(Canvas& surface, const Rounding& rounding) {
  if (!HasSelectedCharacter()) return;
  surface.PushPen(kDistancePen);
  const Point o = DistanceOrigin();
  for (int i = 0; i < kCharacterCount; ++i) {
    const Character& other = characters[i];
    if (i == selectedCharacter || !other.IsActive() || other.IsMelee()) continue;
    const Point c = other.GetCenter();
    surface.MoveTo(o.x, o.y);
    surface.LineTo(c.x, c.y);
    const std::int32_t n = RoundDistance(MetresBetween(o, c), rounding);
    // Half of the sum less ten: these labels sit only five pixels off the middle.
    DrawDistanceLabel(surface, Div32(Sub32(Add32(c.x, o.x), kLabelShift), 2),
                      Div32(Sub32(Add32(c.y, o.y), kLabelShift), 2), n);
  }
  const bool selectedInMelee = characters[selectedCharacter].IsMelee() != 0;
  for (const Area& area : areas) {
    if (!area.IsActive()) continue;
    // The melee area the distances start from gets no line of its own.
    if (area.Contains(o.x, o.y) && selectedInMelee) continue;
    const Point a = area.GetCenter();
    surface.MoveTo(o.x, o.y);
    surface.LineTo(a.x, a.y);
    DrawLabelAtMiddle(surface, a, o, RoundDistance(MetresBetween(o, a), rounding));
  }
  surface.PopPen();
}

void DrawMoveDistance(Canvas& surface, const Rounding& rounding) {
  // A parked shadow shows no move; only its left edge tells.
  if (shadow.GetPosition().x < 0 || !HasSelectedCharacter()) return;
  const Point c = characters[selectedCharacter].GetCenter();
  const Point s = shadow.GetCenter();
  const double m = MetresBetween(c, s);
  if (m == 0.0) return;  // any move that is not zero is shown, even one that reads 0m
  surface.PushPen(kDistancePen);
  surface.MoveTo(c.x, c.y);
  surface.LineTo(s.x, s.y);
  DrawLabelAtMiddle(surface, s, c, RoundDistance(m, rounding));
  surface.PopPen();
}

}  // namespace dz
