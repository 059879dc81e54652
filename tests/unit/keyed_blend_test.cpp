#include "pictures/keyed_blend.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace dz::testing {
namespace {

std::uint32_t Byte(std::uint32_t pixel, int i) {
  return (pixel >> (8 * i)) & 0xFFu;
}

// The pixel blend of the platform, one byte at a time.
std::uint32_t ReferenceBlend(std::uint32_t d, std::uint32_t s, std::uint32_t a) {
  std::uint32_t out = 0;
  for (int i = 0; i < 4; ++i) out |= BlendChannel(Byte(d, i), Byte(s, i), a) << (8 * i);
  return out;
}

TEST(KeyedBlendTest, PixelBlendMatchesTheChannelFormulaForEveryValue) {
  // Every (destination, source, opacity) in every byte position, the other bytes busy.
  int mismatches = 0;
  for (std::uint32_t a = 0; a < 256; ++a) {
    for (std::uint32_t s = 0; s < 256; ++s) {
      for (std::uint32_t d = 0; d < 256; ++d) {
        const std::uint32_t dp = d | (s << 8) | ((d ^ 0x5Au) << 16) | ((255 - d) << 24);
        const std::uint32_t sp = s | (d << 8) | ((s ^ 0xA5u) << 16) | ((255 - s) << 24);
        if (BlendPixel(dp, sp, a) != ReferenceBlend(dp, sp, a)) ++mismatches;
      }
    }
  }
  EXPECT_EQ(mismatches, 0);
}

TEST(KeyedBlendTest, ChannelFormulaKnownValues) {
  struct Case {
    std::uint32_t d, s, a, expected;
  };
  const Case cases[] = {
      {255, 0, 100, 155},  // black at 100 over white: 255 · (1 − 100/255)
      {255, 0, 150, 105}, {0, 255, 150, 150},  {77, 200, 255, 200},
      {77, 200, 0, 77},   {200, 200, 37, 200},  // a colour blended with itself stays
      {1, 0, 128, 0},                           // (127 + 127) / 255 rounds down
      {2, 0, 128, 1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(BlendChannel(c.d, c.s, c.a), c.expected) << c.d << " " << c.s << " " << c.a;
  }
}

// A picture of w × h whose pixels are their index + 1, transparent where `clear` says.
struct Picture {
  std::int32_t w, h;
  std::vector<std::uint32_t> first, second;
  std::vector<bool> clear;
  Picture(std::int32_t width, std::int32_t height, const char* pattern)
      : w(width), h(height), first(w * h), second(w * h), clear(w * h) {
    for (std::int32_t i = 0; i < w * h; ++i) {
      clear[i] = pattern[i] == '.';
      first[i] = clear[i] ? 0x000000u : 0x00102030u * (i + 1);
      second[i] = clear[i] ? 0x00FFFFFFu : first[i];
    }
  }
};

TEST(KeyedBlendTest, KeyingFindsTheRunsOfDrawnPixels) {
  struct Case {
    std::int32_t w, h;
    const char* pattern;
    std::vector<KeyedPicture::Run> runs;
    std::vector<std::int32_t> rowRuns;
  };
  const Case cases[] = {
      {4, 1, "xxxx", {{0, 4}}, {0, 1}},
      {4, 1, "....", {}, {0, 0}},
      {5, 1, "x.x.x", {{0, 1}, {2, 3}, {4, 5}}, {0, 3}},
      {4, 3, ".xx.x..xxxxx", {{1, 3}, {0, 1}, {3, 4}, {0, 4}}, {0, 1, 3, 4}},
      {3, 2, "......", {}, {0, 0, 0}},
  };
  for (const Case& c : cases) {
    Picture p(c.w, c.h, c.pattern);
    KeyedPicture k;
    KeyPicture(k, p.first.data(), p.second.data(), c.w, c.h);
    EXPECT_EQ(k.width, c.w);
    EXPECT_EQ(k.height, c.h);
    EXPECT_EQ(k.pixels, p.first);
    ASSERT_EQ(k.runs.size(), c.runs.size()) << c.pattern;
    for (size_t i = 0; i < c.runs.size(); ++i) {
      EXPECT_EQ(k.runs[i].begin, c.runs[i].begin) << c.pattern;
      EXPECT_EQ(k.runs[i].end, c.runs[i].end) << c.pattern;
    }
    EXPECT_EQ(k.rowRuns, c.rowRuns) << c.pattern;
  }
  // Keying again replaces what was there.
  Picture small(2, 1, "x.");
  KeyedPicture k;
  Picture big(4, 3, ".xx.x..xxxxx");
  KeyPicture(k, big.first.data(), big.second.data(), 4, 3);
  KeyPicture(k, small.first.data(), small.second.data(), 2, 1);
  EXPECT_EQ(k.runs.size(), 1u);
  EXPECT_EQ(k.rowRuns, (std::vector<std::int32_t>{0, 1}));
}

// Blends the picture at `at` onto a surface of w × h and compares it with a blend done
// pixel by pixel. The surface's rows are 3 pixels longer than its width: the pixels after
// each row are not the surface's and must never change.
void ExpectBlendAt(const Picture& p, const KeyedPicture& k, std::int32_t w, std::int32_t h,
                   std::int32_t x, std::int32_t y, std::int32_t opacity) {
  const std::int32_t stride = w + 3;
  std::vector<std::uint32_t> surface(static_cast<size_t>(stride) * h);
  for (size_t i = 0; i < surface.size(); ++i) surface[i] = 0x00FFFFFFu - 0x00030507u * i;
  std::vector<std::uint32_t> expected = surface;
  const std::uint32_t a = static_cast<std::uint32_t>(opacity) & 0xFF;
  for (std::int32_t r = 0; r < p.h; ++r) {
    for (std::int32_t c = 0; c < p.w; ++c) {
      const std::int64_t dx = std::int64_t{x} + c;
      const std::int64_t dy = std::int64_t{y} + r;
      if (p.clear[r * p.w + c] || dx < 0 || dx >= w || dy < 0 || dy >= h) continue;
      std::uint32_t& d = expected[dy * stride + dx];
      d = ReferenceBlend(d, p.first[r * p.w + c], a);
    }
  }
  BlendKeyed(PixelRows{surface.data(), w, h, stride}, x, y, k, opacity);
  EXPECT_EQ(surface, expected) << p.w << "x" << p.h << " at " << x << "," << y << " opacity "
                               << opacity;
}

TEST(KeyedBlendTest, BlendIsClippedAtEveryEdgeAndKeepsTransparentPixels) {
  // A small picture with holes, and a wide one with runs of every length (blends that take
  // several pixels at a time, and the pixels left over).
  std::string wide;
  for (int r = 0; r < 3; ++r) {
    for (int c = 0; c < 23; ++c) wide += (c * c + r * 7) % 11 < 3 ? '.' : 'x';
  }
  const Picture small(5, 4, "xx.xxx...x.xxx.xxxxx");
  const Picture big(23, 3, wide.c_str());
  for (const Picture* p : {&small, &big}) {
    KeyedPicture k;
    KeyPicture(k, p->first.data(), p->second.data(), p->w, p->h);
    const std::int32_t w = p->w + 3;
    const std::int32_t h = p->h + 2;
    struct Place {
      std::int32_t x, y;
    };
    const Place places[] = {
        {1, 1},
        {0, 0},
        {w - p->w, h - p->h},  // inside
        {-2, 1},
        {w - p->w + 2, 1},
        {1, -2},
        {1, h - p->h + 2},  // cut at each edge
        {1 - p->w, 1 - p->h},
        {w - 1, 1 - p->h},
        {1 - p->w, h - 1},
        {w - 1, h - 1},  // corners
        {-p->w, 0},
        {w, 0},
        {0, -p->h},
        {0, h},  // just outside each edge
        {INT32_MIN, INT32_MIN},
        {INT32_MAX, INT32_MAX},
        {INT32_MAX - 2, 0},
    };
    for (std::int32_t opacity : {100, 150, 255, 0, 256 + 100, 77, 1, 254}) {
      for (const Place& at : places) ExpectBlendAt(*p, k, w, h, at.x, at.y, opacity);
    }
  }
}

TEST(KeyedBlendTest, EmptyPicturesAndSurfacesDrawNothing) {
  KeyedPicture none;
  KeyPicture(none, nullptr, nullptr, 0, 0);
  std::vector<std::uint32_t> surface(4, 7u);
  BlendKeyed(PixelRows{surface.data(), 2, 2, 2}, 0, 0, none, 255);
  Picture p(2, 2, "xxxx");
  KeyedPicture k;
  KeyPicture(k, p.first.data(), p.second.data(), 2, 2);
  BlendKeyed(PixelRows{nullptr, 2, 2, 2}, 0, 0, k, 255);
  BlendKeyed(PixelRows{surface.data(), 0, 0, 2}, 0, 0, k, 255);
  EXPECT_EQ(surface, (std::vector<std::uint32_t>(4, 7u)));
}

}  // namespace
}  // namespace dz::testing
