// Placeholder: replaced by the real implementation.
#include "render/surfaces.h"

namespace dz {
std::unique_ptr<Canvas> backBuffer;
std::unique_ptr<Canvas> backgroundLayer;
std::unique_ptr<Canvas> backgroundImage;
void DrawBoardBackground(Canvas&) {}
int BlendBitmap(Canvas& dst, std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h,
                const Canvas& src, std::int32_t sx, std::int32_t sy, std::int32_t sw,
                std::int32_t sh, std::int32_t opacity, COLORREF transparent) {
  return dst.Blend(x, y, w, h, src, sx, sy, sw, sh, opacity, transparent);
}
}  // namespace dz
