// The drawing surface port. Every drawing of the board goes through a Canvas: the
// Windows front-end maps each operation one to one onto GDI, the tests record them.
#pragma once

#include <algorithm>
#include <cstdint>

namespace dz {

// A colour: red in the low byte, then green, then blue; the top byte is 0.
using COLORREF = std::uint32_t;

constexpr COLORREF MakeColor(int red, int green, int blue) {
  return static_cast<COLORREF>(red & 0xFF) | (static_cast<COLORREF>(green & 0xFF) << 8) |
         (static_cast<COLORREF>(blue & 0xFF) << 16);
}

constexpr COLORREF kBlack = 0;
constexpr COLORREF kWhite = 0xFFFFFF;

enum class PenStyle : std::uint8_t { Solid, DashDotDot };

struct Pen {
  PenStyle style;
  std::int32_t width;  // 0 draws one pixel wide, like 1
  COLORREF color;
};

enum class BrushKind : std::uint8_t { Solid, Hollow };

struct Brush {
  BrushKind kind;
  COLORREF color;  // for Solid only
};

enum class BackgroundMode : std::uint8_t { Opaque, Transparent };

// A surface with GDI's state and semantics: a fresh surface has a 1-pixel black pen, the
// white brush, the default font, opaque background mode and a white background colour.
// Rectangles and ellipses are bounded with the right and bottom edges excluded; a line
// does not draw its end point.
class Canvas {
 public:
  virtual ~Canvas() = default;

  // Creates a pen and selects it. PopPen selects the previously selected pen again and
  // deletes the created one. Pushes and pops pair up within one drawing call.
  virtual void PushPen(const Pen& pen) = 0;
  virtual void PopPen() = 0;
  // Selects a solid brush (created) or the stock hollow brush; PopBrush restores the
  // previous brush and deletes a created one.
  virtual void PushBrush(const Brush& brush) = 0;
  virtual void PopBrush() = 0;
  // Creates and selects the character label font: 20 pixels high, weight 600, fixed pitch,
  // code page 932 face "ＭＳ ゴシック" (or the platform's nearest fixed-pitch CP932 face).
  virtual void PushLabelFont() = 0;
  virtual void PopFont() = 0;
  // Sets the background mode and returns the previous one.
  virtual BackgroundMode SetBackgroundMode(BackgroundMode mode) = 0;

  virtual void Rectangle(std::int32_t left, std::int32_t top, std::int32_t right,
                         std::int32_t bottom) = 0;
  virtual void Ellipse(std::int32_t left, std::int32_t top, std::int32_t right,
                       std::int32_t bottom) = 0;
  virtual void MoveTo(std::int32_t x, std::int32_t y) = 0;
  virtual void LineTo(std::int32_t x, std::int32_t y) = 0;

  // Code page 932 text with its top-left corner at (x, y), in the current font.
  virtual void TextAt(std::int32_t x, std::int32_t y, const char* text) = 0;
  // Code page 932 text on one line, centred horizontally and vertically in the box.
  virtual void TextInBox(std::int32_t left, std::int32_t top, std::int32_t right,
                         std::int32_t bottom, const char* text) = 0;

  // Plain block copy of w × h pixels from (sx, sy) of src to (x, y) of this surface.
  // A null source copies nothing.
  virtual void CopyFrom(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h,
                        const Canvas* src, std::int32_t sx, std::int32_t sy) = 0;

  // Draws the source rectangle (sx, sy, sw, sh) of src stretched onto (x, y, w, h), leaving
  // out every source pixel of the transparent colour, at the constant opacity given by the
  // low byte of `opacity`. Returns 1 when blended, 0 when a step failed (this surface is
  // then unchanged).
  virtual int Blend(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h,
                    const Canvas& src, std::int32_t sx, std::int32_t sy, std::int32_t sw,
                    std::int32_t sh, std::int32_t opacity, COLORREF transparent) = 0;

  // Tells a surface that it holds a loaded picture, which is only ever blended from: the
  // surface may keep what it derives from its pixels (the picture stretched and keyed
  // for a box size) from one frame to the next. Drawing into it drops what was kept.
  virtual void MarkAsPicture() {}
};

// A surface that draws nothing: what a piece keeps after its picture failed to load, and
// the canvas of the benchmarks that measure the core's own cost.
class NullCanvas : public Canvas {
 public:
  void PushPen(const Pen&) override {}
  void PopPen() override {}
  void PushBrush(const Brush&) override {}
  void PopBrush() override {}
  void PushLabelFont() override {}
  void PopFont() override {}
  BackgroundMode SetBackgroundMode(BackgroundMode mode) override {
    BackgroundMode previous = mode_;
    mode_ = mode;
    return previous;
  }
  void Rectangle(std::int32_t, std::int32_t, std::int32_t, std::int32_t) override {}
  void Ellipse(std::int32_t, std::int32_t, std::int32_t, std::int32_t) override {}
  void MoveTo(std::int32_t, std::int32_t) override {}
  void LineTo(std::int32_t, std::int32_t) override {}
  void TextAt(std::int32_t, std::int32_t, const char*) override {}
  void TextInBox(std::int32_t, std::int32_t, std::int32_t, std::int32_t, const char*) override {}
  void CopyFrom(std::int32_t, std::int32_t, std::int32_t, std::int32_t, const Canvas*, std::int32_t,
                std::int32_t) override {}
  int Blend(std::int32_t, std::int32_t, std::int32_t, std::int32_t, const Canvas&, std::int32_t,
            std::int32_t, std::int32_t, std::int32_t, std::int32_t, COLORREF) override {
    return 0;
  }

 private:
  BackgroundMode mode_ = BackgroundMode::Opaque;
};

// The extent of a block copy of `want` pixels from `start` that lies inside a source of
// `extent` pixels: pixels beyond the source are not copied, so the destination keeps what it
// had there. 0 when nothing of it is left.
inline std::int32_t ClipToSource(std::int32_t want, std::int32_t start, std::int32_t extent) {
  if (start < 0 || start >= extent || want <= 0) return 0;
  return std::min(want, extent - start);
}

// A blend of the source rectangle (sx, sy, sw, sh) stretched onto (x, y, w, h), all four
// sizes above 0.
struct BlendRect {
  std::int32_t x, y, w, h;
  std::int32_t sx, sy, sw, sh;
};

// Cuts a blend to a surface of width × height: the part of the box on the surface, with the
// source columns and rows under it (floor of the start, ceiling of the end). False when
// nothing of the box lies on the surface.
inline bool CutBlendToSurface(BlendRect& r, std::int32_t width, std::int32_t height) {
  const std::int64_t x0 = std::max<std::int64_t>(r.x, 0);
  const std::int64_t y0 = std::max<std::int64_t>(r.y, 0);
  const std::int64_t x1 = std::min<std::int64_t>(std::int64_t{r.x} + r.w, width);
  const std::int64_t y1 = std::min<std::int64_t>(std::int64_t{r.y} + r.h, height);
  if (x0 >= x1 || y0 >= y1) return false;
  const std::int64_t sx0 = r.sx + (x0 - r.x) * r.sw / r.w;
  const std::int64_t sy0 = r.sy + (y0 - r.y) * r.sh / r.h;
  const std::int64_t sx1 = r.sx + ((x1 - r.x) * r.sw + r.w - 1) / r.w;
  const std::int64_t sy1 = r.sy + ((y1 - r.y) * r.sh + r.h - 1) / r.h;
  r = BlendRect{static_cast<std::int32_t>(x0),
                static_cast<std::int32_t>(y0),
                static_cast<std::int32_t>(x1 - x0),
                static_cast<std::int32_t>(y1 - y0),
                static_cast<std::int32_t>(sx0),
                static_cast<std::int32_t>(sy0),
                static_cast<std::int32_t>(std::max<std::int64_t>(sx1 - sx0, 1)),
                static_cast<std::int32_t>(std::max<std::int64_t>(sy1 - sy0, 1))};
  return true;
}

}  // namespace dz
