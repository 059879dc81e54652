#include "pictures/keyed_blend.h"

#include <algorithm>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace dz {
namespace {

// n pixels of s blended onto d at opacity a (1..254).
void BlendRun(std::uint32_t* d, const std::uint32_t* s, std::int64_t n, std::uint32_t a) {
#if defined(__SSE2__)
  // Four pixels at a time, each byte in a 16-bit lane: the same sums and the same division
  // as BlendPixel, no lane above 65407.
  const __m128i zero = _mm_setzero_si128();
  const __m128i sa = _mm_set1_epi16(static_cast<short>(a));
  const __m128i da = _mm_set1_epi16(static_cast<short>(255 - a));
  const __m128i half = _mm_set1_epi16(127);
  const __m128i one = _mm_set1_epi16(1);
  auto div255 = [&](__m128i x) {
    return _mm_srli_epi16(_mm_add_epi16(_mm_add_epi16(x, one), _mm_srli_epi16(x, 8)), 8);
  };
  for (; n >= 4; n -= 4, s += 4, d += 4) {
    const __m128i sv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s));
    const __m128i dv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d));
    const __m128i low =
        _mm_add_epi16(_mm_add_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(sv, zero), sa),
                                    _mm_mullo_epi16(_mm_unpacklo_epi8(dv, zero), da)),
                      half);
    const __m128i high =
        _mm_add_epi16(_mm_add_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(sv, zero), sa),
                                    _mm_mullo_epi16(_mm_unpackhi_epi8(dv, zero), da)),
                      half);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d), _mm_packus_epi16(div255(low), div255(high)));
  }
#endif
  for (; n > 0; --n, ++s, ++d) *d = BlendPixel(*d, *s, a);
}

}  // namespace

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
      if (a == 255) {
        std::copy(s, from + end, d);  // solid: the picture's own pixels
      } else {
        BlendRun(d, s, end - begin, a);
      }
    }
  }
}

}  // namespace dz
