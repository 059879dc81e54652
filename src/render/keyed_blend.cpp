#include "render/keyed_blend.h"

#include <algorithm>

namespace dz {

void KeyPicture(KeyedPicture& out, const std::uint32_t* overFirst, const std::uint32_t* overSecond,
                std::int32_t width, std::int32_t height) {
  out.width = std::max<std::int32_t>(width, 0);
  out.height = std::max<std::int32_t>(height, 0);
  const std::size_t count = static_cast<std::size_t>(out.width) * out.height;
  out.pixels.assign(overFirst, overFirst + count);
  out.runs.clear();
  out.rowRuns.assign(1, 0);
  for (std::int32_t r = 0; r < out.height; ++r) {
    const std::uint32_t* a = overFirst + static_cast<std::size_t>(r) * out.width;
    const std::uint32_t* b = overSecond + static_cast<std::size_t>(r) * out.width;
    std::int32_t c = 0;
    while (c < out.width) {
      while (c < out.width && a[c] != b[c]) ++c;
      const std::int32_t begin = c;
      while (c < out.width && a[c] == b[c]) ++c;
      if (c > begin) out.runs.push_back(KeyedPicture::Run{begin, c});
    }
    out.rowRuns.push_back(static_cast<std::int32_t>(out.runs.size()));
  }
}

void BlendKeyed(const PixelRows& dst, std::int32_t x, std::int32_t y, const KeyedPicture& picture,
                std::int32_t opacity) {
  const std::uint32_t a = static_cast<std::uint32_t>(opacity) & 0xFFu;
  if (a == 0 || dst.pixels == nullptr) return;  // opacity 0 keeps every pixel as it was
  // The picture's rows and columns that fall on dst, in 64 bits: x + width may pass 2^31.
  const std::int64_t firstRow = std::max<std::int64_t>(0, -std::int64_t{y});
  const std::int64_t endRow = std::min<std::int64_t>(picture.height, std::int64_t{dst.height} - y);
  const std::int64_t firstCol = std::max<std::int64_t>(0, -std::int64_t{x});
  const std::int64_t endCol = std::min<std::int64_t>(picture.width, std::int64_t{dst.width} - x);
  if (firstRow >= endRow || firstCol >= endCol) return;
  const std::int32_t c0 = static_cast<std::int32_t>(firstCol);
  const std::int32_t c1 = static_cast<std::int32_t>(endCol);
  for (std::int64_t r = firstRow; r < endRow; ++r) {
    const std::uint32_t* from = picture.pixels.data() + r * picture.width;
    std::uint32_t* row = dst.pixels + (y + r) * dst.stride;
    const KeyedPicture::Run* run = picture.runs.data() + picture.rowRuns[r];
    const KeyedPicture::Run* last = picture.runs.data() + picture.rowRuns[r + 1];
    for (; run != last; ++run) {
      const std::int32_t begin = std::max(run->begin, c0);
      const std::int32_t end = std::min(run->end, c1);
      if (begin >= end) continue;
      const std::uint32_t* s = from + begin;
      std::uint32_t* d = row + (std::int64_t{x} + begin);
      const std::uint32_t* const sEnd = from + end;
      if (a == 255) {
        std::copy(s, sEnd, d);  // solid: the picture's own pixels
      } else {
        for (; s != sEnd; ++s, ++d) *d = BlendPixel(*d, *s, a);
      }
    }
  }
}

}  // namespace dz
