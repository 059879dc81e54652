// Blending a keyed picture at constant opacity into 32-bit pixels, without the platform.
// A keyed picture is a picture already stretched to its box, with the pixels of its
// transparent colour marked; the canvas that owns a picture makes it once per box size,
// and every frame blends it straight into the back buffer's pixels.
#pragma once

#include <cstdint>
#include <vector>

namespace dz {

// 32-bit pixels, top row first, `stride` pixels from one row to the next.
struct PixelRows {
  std::uint32_t* pixels;
  std::int32_t width;
  std::int32_t height;
  std::int32_t stride;
};

// A picture stretched to width × height, its drawn pixels as runs per row.
struct KeyedPicture {
  struct Run {
    std::int32_t begin;  // first drawn column
    std::int32_t end;    // one past the last
  };
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::vector<std::uint32_t> pixels;  // width × height, top row first
  std::vector<Run> runs;              // the drawn runs, row by row, left to right
  std::vector<std::int32_t> rowRuns;  // runs of row r: runs[rowRuns[r]] .. runs[rowRuns[r + 1]]
};

// Keys a picture from two renderings of it over different backgrounds: a pixel that
// came out the same over both is the picture's own, one that did not is transparent.
// Both renderings hold width × height pixels, top row first.
void KeyPicture(KeyedPicture& out, const std::uint32_t* overFirst, const std::uint32_t* overSecond,
                std::int32_t width, std::int32_t height);

// One channel of a constant-opacity blend: (s·a + d·(255 − a) + 127) / 255.
constexpr std::uint32_t BlendChannel(std::uint32_t d, std::uint32_t s, std::uint32_t a) {
  return (s * a + d * (255 - a) + 127) / 255;
}

// All four bytes of a pixel blended as BlendChannel does, two bytes per multiplication.
inline std::uint32_t BlendPixel(std::uint32_t d, std::uint32_t s, std::uint32_t a) {
  const std::uint32_t na = 255 - a;
  // Each 16-bit lane holds at most 255·a + 255·(255 − a) + 127 = 65152: no carry between
  // lanes. x / 255 for such x is (x + 1 + (x >> 8)) >> 8.
  const std::uint32_t low = (s & 0x00FF00FFu) * a + (d & 0x00FF00FFu) * na + 0x007F007Fu;
  const std::uint32_t high =
      ((s >> 8) & 0x00FF00FFu) * a + ((d >> 8) & 0x00FF00FFu) * na + 0x007F007Fu;
  const std::uint32_t lowQ = ((low + 0x00010001u + ((low >> 8) & 0x00FF00FFu)) >> 8) & 0x00FF00FFu;
  const std::uint32_t highQ =
      ((high + 0x00010001u + ((high >> 8) & 0x00FF00FFu)) >> 8) & 0x00FF00FFu;
  return lowQ | (highQ << 8);
}

// Blends the picture's drawn pixels at (x, y) of dst with the opacity's low byte, clipped
// to dst; the transparent pixels leave dst as it was. Coordinates may lie anywhere.
void BlendKeyed(const PixelRows& dst, std::int32_t x, std::int32_t y, const KeyedPicture& picture,
                std::int32_t opacity);

}  // namespace dz
