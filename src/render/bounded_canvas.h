// A canvas that hands its target only coordinates near the target's surface.
//
// A coordinate code may place a piece anywhere in the 32-bit range and give an area any
// radius, so a frame may ask for an ellipse, a line or a picture millions of pixels wide.
// Platforms draw such shapes slowly, wrongly or not at all (GDI keeps to 27 bits, and
// Wine's ellipse code breaks long before). Everything drawn into the frame goes through
// this canvas:
//  - a shape whose coordinates all lie within kExactBound of the surface (kEllipseBound for
//    ellipses) is handed on unchanged, so its pixels are exactly the platform's;
//  - a shape beyond it that cannot reach the surface is left out;
//  - a line, rectangle or picture beyond it that reaches the surface is cut to the surface
//    widened by kMargin (a picture to the surface itself, with the source under it);
//  - so is a picture more than kLargestBlend wide or high anywhere: no platform then needs a
//    temporary bitmap of the whole box (gigabytes for an area with a pasted radius);
//  - an ellipse beyond it that reaches the surface is drawn as straight segments through
//    points of its outline, where the outline crosses the widened surface (a filled one
//    keeps only its outline there).
#pragma once

#include <cstdint>

#include "base/canvas.h"

namespace dz {

class BoundedCanvas : public Canvas {
 public:
  // How far beyond the surface (in pixels, each way) shapes are handed on unchanged.
  static constexpr std::int32_t kExactBound = 1 << 17;  // any pointer position, and more
  static constexpr std::int32_t kEllipseBound = 1 << 14;
  // How far beyond the surface a cut shape may still reach, past any pen's width.
  static constexpr std::int32_t kMargin = 64;
  // The largest picture box handed on whole (pieces are at most 480 pixels wide).
  static constexpr std::int32_t kLargestBlend = 4096;

  BoundedCanvas(Canvas& target, std::int32_t width, std::int32_t height)
      : target_(target), width_(width), height_(height) {}

  void PushPen(const Pen& pen) override { target_.PushPen(pen); }
  void PopPen() override { target_.PopPen(); }
  void PushBrush(const Brush& brush) override { target_.PushBrush(brush); }
  void PopBrush() override { target_.PopBrush(); }
  void PushLabelFont() override { target_.PushLabelFont(); }
  void PopFont() override { target_.PopFont(); }
  BackgroundMode SetBackgroundMode(BackgroundMode mode) override {
    return target_.SetBackgroundMode(mode);
  }

  void Rectangle(std::int32_t left, std::int32_t top, std::int32_t right,
                 std::int32_t bottom) override;
  void Ellipse(std::int32_t left, std::int32_t top, std::int32_t right,
               std::int32_t bottom) override;
  void MoveTo(std::int32_t x, std::int32_t y) override;
  void LineTo(std::int32_t x, std::int32_t y) override;
  void TextAt(std::int32_t x, std::int32_t y, const char* text) override;
  void TextInBox(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom,
                 const char* text) override;
  void CopyFrom(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h, const Canvas* src,
                std::int32_t sx, std::int32_t sy) override {
    target_.CopyFrom(x, y, w, h, src, sx, sy);
  }
  int Blend(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h, const Canvas& src,
            std::int32_t sx, std::int32_t sy, std::int32_t sw, std::int32_t sh,
            std::int32_t opacity, COLORREF transparent) override;

 private:
  struct Box {
    std::int64_t left, top, right, bottom;
  };
  bool Within(const Box& b, std::int64_t bound) const;
  bool Meets(const Box& b, std::int64_t reach) const;
  void Line(std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1);
  void CutLine(double x0, double y0, double x1, double y1);
  void EllipseOutline(const Box& b);

  Canvas& target_;
  std::int32_t width_;
  std::int32_t height_;
  // Where the next line starts, and the target's own current position once one was set.
  std::int32_t penX_ = 0;
  std::int32_t penY_ = 0;
  bool targetKnown_ = false;
  std::int32_t targetX_ = 0;
  std::int32_t targetY_ = 0;
};

}  // namespace dz
