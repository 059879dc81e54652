#include "render/measure_line.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include "base/int32.h"
#include "board/board.h"
#include "render/distances.h"

namespace dz {

namespace {

constexpr Pen kSnapPen{PenStyle::Solid, 2, MakeColor(255, 0, 0)};
constexpr Brush kHollowBrush{BrushKind::Hollow, 0};

// |n| without overflow: the most negative value answers the largest positive one.
std::int32_t Magnitude(std::int32_t n) {
  if (n == std::numeric_limits<std::int32_t>::min())
    return std::numeric_limits<std::int32_t>::max();
  return n < 0 ? -n : n;
}

bool Between(std::int32_t v, std::int32_t a, std::int32_t b) {
  return std::min(a, b) <= v && v <= std::max(a, b);
}

// The line through o and p, in the terms the feet are computed in. Every step is one
// double operation rounded on its own, in this order: the feet and the extent test
// depend on it to the pixel.
class Perpendiculars {
 public:
  Perpendiculars(Point o, Point p, double roundedLength)
      : o_(o),
        p_(p),
        b_(Sub32(o.x, p.x)),
        dy_(Sub32(p.y, o.y)),
        u_(static_cast<double>(dy_) / roundedLength),
        v_(static_cast<double>(b_) / roundedLength),
        w_(-static_cast<double>(Add32(Mul32(b_, o.y), Mul32(dy_, o.x)))) {}

  // Draws the perpendicular from q when its foot lies on the line's extent (ends
  // included). `isCharacter` chooses the label: the rounding rule for characters, plain
  // truncation for areas.
  void Draw(Canvas& surface, Point q, bool isCharacter, const Rounding& rounding) const {
    const double bv = static_cast<double>(b_) * v_;
    const double dyu = static_cast<double>(dy_) * u_;
    const double den = bv + dyu;
    if (TruncateToInt32(den) == 0) return;  // NaN too
    const std::int32_t c1 = Add32(Mul32(q.x, dy_), Mul32(q.y, b_));
    const double sum = static_cast<double>(c1) + w_;
    const double t = -sum / den;
    const double ut = u_ * t;
    const double vt = v_ * t;
    const double footX = static_cast<double>(q.x) + ut;
    const double footY = static_cast<double>(q.y) + vt;
    if (std::isnan(footX) || std::isnan(footY)) return;  // no foot: never a pixel
    const Point f{TruncateToInt32(std::ceil(footX)), TruncateToInt32(std::ceil(footY))};
    if (!Between(f.x, o_.x, p_.x) || !Between(f.y, o_.y, p_.y)) return;
    surface.MoveTo(q.x, q.y);
    surface.LineTo(f.x, f.y);
    const std::int32_t n = isCharacter ? RoundDistance(t, rounding) : TruncateToInt32(t);
    DrawLabelAtMiddle(surface, f, q, Magnitude(n));
  }

 private:
  Point o_;
  Point p_;
  std::int32_t b_;   // o.x − p.x
  std::int32_t dy_;  // p.y − o.y
  double u_;         // dy / d
  double v_;         // b / d
  double w_;         // −(b · o.y + dy · o.x)
};

}  // namespace

void DrawMeasureLine(Canvas& surface, const MeasureOptions& options) {
  if (!HasSelectedCharacter()) return;
  surface.PushPen(kDistancePen);
  const Point pointer = options.pointer;
  const Point o = DistanceOrigin();

  Point p = pointer;
  if (options.snap) {
    // The centre of a character that snapping would place in the pointer's cell.
    const std::int32_t h = gridSize / 2;
    const Point corner = SnapToCell(pointer.x, pointer.y);
    p = Point{Add32(corner.x, h), Add32(corner.y, h)};
    surface.PushBrush(kHollowBrush);
    surface.PushPen(kSnapPen);
    surface.Rectangle(Add32(Sub32(p.x, h), 1), Add32(Sub32(p.y, h), 1), Sub32(Add32(p.x, h), 1),
                      Sub32(Add32(p.y, h), 1));
    surface.PopPen();
    surface.PopBrush();
  }

  surface.MoveTo(o.x, o.y);
  surface.LineTo(p.x, p.y);
  const double d = RoundedLength(MetresBetween(o, p), options.rounding);
  DrawLabelAtMiddle(surface, p, o, TruncateToInt32(d));

  // A rounded length of 0 has no direction to measure across: no perpendiculars.
  if (options.lineDistances && d != 0.0 && !std::isnan(d)) {
    const Perpendiculars line(o, p, d);
    for (int i = 0; i < kCharacterCount; ++i) {
      const Character& c = characters[i];
      if (i == selectedCharacter || !c.IsActive() || c.IsMelee()) continue;
      line.Draw(surface, c.GetCenter(), true, options.rounding);
    }
    for (const Area& a : areas) {
      if (a.IsActive()) line.Draw(surface, a.GetCenter(), false, options.rounding);
    }
  }
  surface.PopPen();
}

}  // namespace dz
