#include "render/bounded_canvas.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace dz {
namespace {

constexpr double kPi = 3.14159265358979323846;
// Straight segments per visible stretch of a cut ellipse's outline.
constexpr int kArcSegments = 48;

std::int32_t ToPixel(double v) {
  return static_cast<std::int32_t>(std::lround(v));
}

}  // namespace

bool BoundedCanvas::Within(const Box& b, std::int64_t bound) const {
  return b.left >= -bound && b.top >= -bound && b.right <= width_ + bound &&
         b.bottom <= height_ + bound && b.right >= -bound && b.bottom >= -bound &&
         b.left <= width_ + bound && b.top <= height_ + bound;
}

bool BoundedCanvas::Meets(const Box& b, std::int64_t reach) const {
  const std::int64_t l = std::min(b.left, b.right);
  const std::int64_t r = std::max(b.left, b.right);
  const std::int64_t t = std::min(b.top, b.bottom);
  const std::int64_t d = std::max(b.top, b.bottom);
  return r >= -reach && l <= width_ + reach && d >= -reach && t <= height_ + reach;
}

void BoundedCanvas::Rectangle(std::int32_t left, std::int32_t top, std::int32_t right,
                              std::int32_t bottom) {
  const Box b{left, top, right, bottom};
  if (Within(b, kExactBound)) {
    target_.Rectangle(left, top, right, bottom);
    return;
  }
  if (!Meets(b, kMargin)) return;
  // The edges that lie beyond the margin cannot be seen; the inside keeps its fill.
  const auto cut = [](std::int64_t v, std::int64_t lo, std::int64_t hi) {
    return static_cast<std::int32_t>(std::clamp(v, lo, hi));
  };
  const std::int64_t lo = -kMargin;
  target_.Rectangle(cut(left, lo, width_ + kMargin), cut(top, lo, height_ + kMargin),
                    cut(right, lo, width_ + kMargin), cut(bottom, lo, height_ + kMargin));
}

void BoundedCanvas::MoveTo(std::int32_t x, std::int32_t y) {
  penX_ = x;
  penY_ = y;
  if (Within(Box{x, y, x, y}, kExactBound)) {
    target_.MoveTo(x, y);
    targetKnown_ = true;
    targetX_ = x;
    targetY_ = y;
  }
}

void BoundedCanvas::LineTo(std::int32_t x, std::int32_t y) {
  Line(penX_, penY_, x, y);
  penX_ = x;
  penY_ = y;
}

void BoundedCanvas::Line(std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1) {
  if (Within(Box{x0, y0, x0, y0}, kExactBound) && Within(Box{x1, y1, x1, y1}, kExactBound)) {
    if (!targetKnown_ || targetX_ != x0 || targetY_ != y0) target_.MoveTo(x0, y0);
    target_.LineTo(x1, y1);
    targetKnown_ = true;
    targetX_ = x1;
    targetY_ = y1;
    return;
  }
  CutLine(x0, y0, x1, y1);
}

// The part of the line inside the surface widened by the margin (Liang–Barsky).
void BoundedCanvas::CutLine(double x0, double y0, double x1, double y1) {
  const double dx = x1 - x0;
  const double dy = y1 - y0;
  const double lo = -kMargin;
  const double p[4] = {-dx, dx, -dy, dy};
  const double q[4] = {x0 - lo, width_ + kMargin - x0, y0 - lo, height_ + kMargin - y0};
  double t0 = 0.0;
  double t1 = 1.0;
  for (int i = 0; i < 4; ++i) {
    if (p[i] == 0.0) {
      if (q[i] < 0.0) return;  // parallel to this edge and outside it
      continue;
    }
    const double t = q[i] / p[i];
    if (p[i] < 0.0) {
      t0 = std::max(t0, t);
    } else {
      t1 = std::min(t1, t);
    }
    if (t0 > t1) return;
  }
  const std::int32_t ax = ToPixel(x0 + t0 * dx);
  const std::int32_t ay = ToPixel(y0 + t0 * dy);
  const std::int32_t bx = ToPixel(x0 + t1 * dx);
  const std::int32_t by = ToPixel(y0 + t1 * dy);
  if (!targetKnown_ || targetX_ != ax || targetY_ != ay) target_.MoveTo(ax, ay);
  target_.LineTo(bx, by);
  targetKnown_ = true;
  targetX_ = bx;
  targetY_ = by;
}

void BoundedCanvas::Ellipse(std::int32_t left, std::int32_t top, std::int32_t right,
                            std::int32_t bottom) {
  const Box b{left, top, right, bottom};
  if (Within(b, kEllipseBound)) {
    target_.Ellipse(left, top, right, bottom);
    return;
  }
  if (!Meets(b, kMargin)) return;
  EllipseOutline(b);
}

// The outline of a huge ellipse where it crosses the widened surface, as straight segments.
// Its angles where it meets the four edge lines split it into stretches that lie wholly
// inside or wholly outside; each inside stretch is drawn.
void BoundedCanvas::EllipseOutline(const Box& b) {
  const double cx = (static_cast<double>(b.left) + static_cast<double>(b.right)) / 2.0;
  const double cy = (static_cast<double>(b.top) + static_cast<double>(b.bottom)) / 2.0;
  const double rx = std::fabs(static_cast<double>(b.right) - static_cast<double>(b.left)) / 2.0;
  const double ry = std::fabs(static_cast<double>(b.bottom) - static_cast<double>(b.top)) / 2.0;
  if (rx < 1.0 || ry < 1.0) return;  // a box without width or height draws nothing
  const double lo = -kMargin;
  const double xHi = width_ + kMargin;
  const double yHi = height_ + kMargin;

  std::vector<double> angles{0.0, 2.0 * kPi};
  const auto addCrossings = [&angles](double offset, double radius, bool vertical) {
    const double c = offset / radius;  // cos (vertical edge) or sin (horizontal edge)
    if (c < -1.0 || c > 1.0) return;
    if (vertical) {
      const double a = std::acos(c);
      angles.push_back(a);
      angles.push_back(2.0 * kPi - a);
    } else {
      const double a = std::asin(c);
      angles.push_back(a < 0.0 ? a + 2.0 * kPi : a);
      angles.push_back(kPi - a);
    }
  };
  addCrossings(lo - cx, rx, true);
  addCrossings(xHi - cx, rx, true);
  addCrossings(lo - cy, ry, false);
  addCrossings(yHi - cy, ry, false);
  std::sort(angles.begin(), angles.end());

  const auto at = [&](double a, double* x, double* y) {
    *x = cx + rx * std::cos(a);
    *y = cy + ry * std::sin(a);
  };
  const auto inside = [&](double x, double y) {
    return x >= lo && x <= xHi && y >= lo && y <= yHi;
  };
  for (size_t i = 0; i + 1 < angles.size(); ++i) {
    const double a0 = angles[i];
    const double a1 = angles[i + 1];
    if (a1 - a0 <= 0.0) continue;
    double mx = 0.0;
    double my = 0.0;
    at((a0 + a1) / 2.0, &mx, &my);
    if (!inside(mx, my)) continue;
    double px = 0.0;
    double py = 0.0;
    at(a0, &px, &py);
    for (int k = 1; k <= kArcSegments; ++k) {
      double qx = 0.0;
      double qy = 0.0;
      at(a0 + (a1 - a0) * k / kArcSegments, &qx, &qy);
      CutLine(px, py, qx, qy);  // never beyond the widened surface, even after rounding
      px = qx;
      py = qy;
    }
  }
}

void BoundedCanvas::TextAt(std::int32_t x, std::int32_t y, const char* text) {
  // A text starts at its top-left corner and never runs past the exact bound's width.
  if (!Within(Box{x, y, x, y}, kExactBound)) return;
  target_.TextAt(x, y, text);
}

void BoundedCanvas::TextInBox(std::int32_t left, std::int32_t top, std::int32_t right,
                              std::int32_t bottom, const char* text) {
  // Names sit in boxes one cell wide: a box beyond the bound lies far off the surface.
  if (!Within(Box{left, top, right, bottom}, kExactBound)) return;
  target_.TextInBox(left, top, right, bottom, text);
}

int BoundedCanvas::Blend(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h,
                         const Canvas& src, std::int32_t sx, std::int32_t sy, std::int32_t sw,
                         std::int32_t sh, std::int32_t opacity, COLORREF transparent) {
  const Box b{x, y, std::int64_t{x} + w, std::int64_t{y} + h};
  if (Within(b, kExactBound) && w <= kLargestBlend && h <= kLargestBlend) {
    return target_.Blend(x, y, w, h, src, sx, sy, sw, sh, opacity, transparent);
  }
  if (w <= 0 || h <= 0 || sw <= 0 || sh <= 0) return 0;  // fails, as a platform's blit does
  // Only the part on the surface, with the source under it.
  BlendRect r{x, y, w, h, sx, sy, sw, sh};
  if (!CutBlendToSurface(r, width_, height_)) return 1;  // nothing of it on the surface
  return target_.Blend(r.x, r.y, r.w, r.h, src, r.sx, r.sy, r.sw, r.sh, opacity, transparent);
}

}  // namespace dz
