#include "render/surfaces.h"

#include "base/int32.h"
#include "board/board.h"

namespace dz {

std::unique_ptr<Canvas> backBuffer;
std::unique_ptr<Canvas> backgroundLayer;
std::unique_ptr<Canvas> backgroundImage;

namespace {

// The picture block is as large as the client area, so that a big enough picture covers
// everything under the grid.
constexpr std::int32_t kPictureBlockWidth = kClientWidth;
constexpr std::int32_t kPictureBlockHeight = kClientHeight;
constexpr Pen kGridPen{PenStyle::DashDotDot, 1, MakeColor(100, 100, 255)};

}  // namespace

void DrawBoardBackground(Canvas& surface) {
  surface.PushPen(kGridPen);
  // The layer never gets a brush of its own: the default white brush clears the board.
  surface.Rectangle(0, 0, kBoardSize, kBoardSize);
  surface.CopyFrom(0, 0, kPictureBlockWidth, kPictureBlockHeight, backgroundImage.get(), 0, 0);
  const std::int32_t lines = kBoardSize / gridSize;
  for (std::int32_t i = 0; i <= lines; ++i) {
    const std::int32_t at = Mul32(i, gridSize);
    surface.MoveTo(at, 0);
    surface.LineTo(at, kBoardSize);
  }
  for (std::int32_t i = 0; i <= lines; ++i) {
    const std::int32_t at = Mul32(i, gridSize);
    surface.MoveTo(0, at);
    surface.LineTo(kBoardSize, at);
  }
  surface.PopPen();
}

int BlendBitmap(Canvas& dst, std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h,
                const Canvas& src, std::int32_t sx, std::int32_t sy, std::int32_t sw,
                std::int32_t sh, std::int32_t opacity, COLORREF transparent) {
  // The platform's surface does the temporary copy, the transparent stretch and the
  // constant-alpha blend; it answers 0 and leaves dst alone when a step fails.
  return dst.Blend(x, y, w, h, src, sx, sy, sw, sh, opacity, transparent);
}

}  // namespace dz
