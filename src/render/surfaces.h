// The off-screen surfaces, the background layer with its grid, and picture blending.
#pragma once

#include <cstdint>
#include <memory>

#include "base/canvas.h"
#include "base/geometry.h"

namespace dz {

extern std::unique_ptr<Canvas> backBuffer;       // every frame is composed here
extern std::unique_ptr<Canvas> backgroundLayer;  // frame, background picture and grid
extern std::unique_ptr<Canvas> backgroundImage;  // the user's picture; null until loaded

// Paints frame, background picture and grid into the surface (always backgroundLayer).
void DrawBoardBackground(Canvas& surface);

// The one picture-drawing routine: stretch, one transparent colour, constant opacity.
// Returns 1 when blended, 0 when a step failed.
int BlendBitmap(Canvas& dst, std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h,
                const Canvas& src, std::int32_t sx, std::int32_t sy, std::int32_t sw,
                std::int32_t sh, std::int32_t opacity, COLORREF transparent);

}  // namespace dz
