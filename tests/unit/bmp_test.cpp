#include "base/bmp.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace dz::testing {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Pixels = std::vector<std::uint32_t>;

constexpr std::uint32_t Rgb(std::uint32_t r, std::uint32_t g, std::uint32_t b) {
  return r << 16 | g << 8 | b;
}
constexpr std::uint32_t kWhite = Rgb(255, 255, 255);
constexpr std::uint32_t kBlack = 0;
constexpr std::uint32_t kRed = Rgb(255, 0, 0);
constexpr std::uint32_t kGreen = Rgb(0, 255, 0);
constexpr std::uint32_t kBlue = Rgb(0, 0, 255);

void Put16(Bytes& b, std::uint32_t v) {
  b.push_back(static_cast<std::uint8_t>(v));
  b.push_back(static_cast<std::uint8_t>(v >> 8));
}
void Put32(Bytes& b, std::uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}
void Set32(Bytes& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// A picture as its headers describe it; Dib() and File() lay it out.
struct Bmp {
  std::uint32_t headerSize = 40;
  std::int32_t width = 1;
  std::int32_t height = 1;
  std::uint32_t planes = 1;
  std::uint32_t bits = 24;
  std::uint32_t compression = 0;
  std::uint32_t colorsUsed = 0;
  std::vector<std::uint32_t> masks;    // the header's (52+ bytes) or after a 40-byte one
  std::vector<std::uint32_t> palette;  // 0x00RRGGBB; 3 bytes each after a 12-byte header
  Bytes pixels;                        // exactly as stored

  // Headers, masks and colour table.
  Bytes Headers() const {
    Bytes b;
    Put32(b, headerSize);
    if (headerSize == 12) {
      Put16(b, static_cast<std::uint32_t>(width));
      Put16(b, static_cast<std::uint32_t>(height));
      Put16(b, planes);
      Put16(b, bits);
    } else {
      Put32(b, static_cast<std::uint32_t>(width));
      Put32(b, static_cast<std::uint32_t>(height));
      Put16(b, planes);
      Put16(b, bits);
      Put32(b, compression);
      Put32(b, static_cast<std::uint32_t>(pixels.size()));
      Put32(b, 2835);
      Put32(b, 2835);
      Put32(b, colorsUsed);
      Put32(b, 0);
      std::size_t m = 0;
      while (b.size() < headerSize) {
        Put32(b, headerSize >= 52 && b.size() >= 40 && m < masks.size() ? masks[m++] : 0);
      }
      b.resize(headerSize);
      for (; m < masks.size(); ++m) Put32(b, masks[m]);
    }
    for (std::uint32_t c : palette) {
      b.push_back(static_cast<std::uint8_t>(c));
      b.push_back(static_cast<std::uint8_t>(c >> 8));
      b.push_back(static_cast<std::uint8_t>(c >> 16));
      if (headerSize != 12) b.push_back(0);
    }
    return b;
  }
  Bytes Dib() const {
    Bytes b = Headers();
    b.insert(b.end(), pixels.begin(), pixels.end());
    return b;
  }
  // A file whose pixels start `gap` bytes after the colour table.
  Bytes File(std::uint32_t gap = 0) const {
    const Bytes headers = Headers();
    const std::uint32_t offset = 14 + static_cast<std::uint32_t>(headers.size()) + gap;
    Bytes b{'B', 'M'};
    Put32(b, offset + static_cast<std::uint32_t>(pixels.size()));
    Put32(b, 0);
    Put32(b, offset);
    b.insert(b.end(), headers.begin(), headers.end());
    b.resize(offset, 0xEE);
    b.insert(b.end(), pixels.begin(), pixels.end());
    return b;
  }
};

BmpStatus ReadFile(const Bytes& b, BmpPicture* p) {
  return ReadBmpFile(b.data(), b.size(), p);
}
BmpStatus ReadDib(const Bytes& b, BmpPicture* p) {
  return ReadPackedDib(b.data(), b.size(), p);
}

// ---- valid pictures --------------------------------------------------------------------------

struct Valid {
  std::string name;
  Bmp bmp;
  std::int32_t width;
  std::int32_t height;
  Pixels expected;  // top-down
};

const std::vector<std::uint32_t> kFour = {kRed, kGreen, kBlue, Rgb(10, 20, 30)};

std::vector<Valid> ValidPictures() {
  std::vector<Valid> v;
  // 3 × 2 in palette formats: rows are stored bottom first and padded to 4 bytes.
  {
    Bmp b;
    b.bits = 1;
    b.width = 9;  // crosses a byte
    b.height = 2;
    b.palette = {Rgb(1, 2, 3), Rgb(200, 100, 50)};
    b.pixels = {0b10000000, 0b10000000, 0, 0,  // bottom row: 1 0 0 0 0 0 0 0 1
                0b01111111, 0b00000000, 0, 0};
    const std::uint32_t o = Rgb(1, 2, 3);
    const std::uint32_t i = Rgb(200, 100, 50);
    v.push_back({"1-bit", b, 9, 2, {o, i, i, i, i, i, i, i, o, i, o, o, o, o, o, o, o, i}});
  }
  {
    Bmp b;
    b.bits = 4;
    b.width = 3;
    b.height = 2;
    b.palette = kFour;
    b.colorsUsed = 4;
    b.pixels = {0x01, 0x20, 0, 0, 0x33, 0x10, 0, 0};
    v.push_back({"4-bit, 4 colours",
                 b,
                 3,
                 2,
                 {kFour[3], kFour[3], kFour[1], kFour[0], kFour[1], kFour[2]}});
  }
  {
    Bmp b;
    b.bits = 8;
    b.width = 3;
    b.height = -2;  // top-down
    b.palette = kFour;
    b.pixels = {0, 1, 2, 0, 3, 3, 0, 0};
    b.colorsUsed = 4;
    v.push_back(
        {"8-bit top-down", b, 3, 2, {kFour[0], kFour[1], kFour[2], kFour[3], kFour[3], kFour[0]}});
  }
  {
    Bmp b;  // 5-5-5 without masks; the top bit is unused
    b.bits = 16;
    b.width = 3;
    b.height = 1;
    b.pixels = {0x00, 0xFC, 0xE0, 0x03, 0x1F, 0x80, 0, 0};
    v.push_back({"16-bit 5-5-5", b, 3, 1, {kRed, kGreen, kBlue}});
  }
  {
    Bmp b;  // 5-6-5 bit fields; 16 of 31 scales to 132 exactly (16 × 255 / 31 = 131.6)
    b.bits = 16;
    b.compression = 3;
    b.width = 2;
    b.height = 1;
    b.masks = {0xF800, 0x07E0, 0x001F};
    b.pixels = {0xE0, 0x07, 0x10, 0x00};
    v.push_back({"16-bit 5-6-5", b, 2, 1, {kGreen, Rgb(0, 0, 132)}});
  }
  {
    Bmp b;  // unusual widths: 3-bit red, 1-bit green, 12-bit blue; full values are full
    b.bits = 16;
    b.compression = 3;
    b.width = 2;
    b.height = 1;
    b.masks = {0xE000, 0x1000, 0x0FFF};
    b.pixels = {0xFF, 0xFF, 0x00, 0x60};  // all ones; red 3 of 7 → 109 (109.3)
    v.push_back({"16-bit 3-1-12", b, 2, 1, {kWhite, Rgb(109, 0, 0)}});
  }
  {
    Bmp b;  // 4-4-4-4 with alpha after a 40-byte header
    b.bits = 16;
    b.compression = 6;
    b.width = 3;
    b.height = 1;
    b.masks = {0x0F00, 0x00F0, 0x000F, 0xF000};
    // opaque red, transparent red, half (8 of 15) black: 255 × 7 / 15 = 119
    b.pixels = {0x00, 0xFF, 0x00, 0x0F, 0x00, 0x80, 0, 0};
    v.push_back({"16-bit 4-4-4-4 alpha", b, 3, 1, {kRed, kWhite, Rgb(119, 119, 119)}});
  }
  {
    Bmp b;  // 3 pixels: 9 bytes padded to 12
    b.bits = 24;
    b.width = 3;
    b.height = 2;
    b.pixels = {0, 0, 255, 0, 255, 0, 255, 0, 0, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 0, 0};
    v.push_back(
        {"24-bit", b, 3, 2, {Rgb(3, 2, 1), Rgb(6, 5, 4), Rgb(9, 8, 7), kRed, kGreen, kBlue}});
  }
  {
    Bmp b;  // the reserved byte all 0: opaque
    b.bits = 32;
    b.width = 2;
    b.height = 1;
    b.pixels = {10, 20, 30, 0, 255, 255, 255, 0};
    v.push_back({"32-bit, alpha all zero", b, 2, 1, {Rgb(30, 20, 10), kWhite}});
  }
  {
    Bmp b;  // the top byte used: alpha over white
    b.bits = 32;
    b.width = 3;
    b.height = 1;
    b.pixels = {0, 0, 0, 0, 0, 0, 255, 255, 0, 0, 0, 128};
    v.push_back({"32-bit with alpha", b, 3, 1, {kWhite, kRed, Rgb(127, 127, 127)}});
  }
  {
    Bmp b;  // V5 with an alpha mask in the header
    b.headerSize = 124;
    b.bits = 32;
    b.compression = 3;
    b.width = 2;
    b.height = -1;
    b.masks = {0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000};
    b.pixels = {0, 0, 0, 0, 200, 100, 0, 255};
    v.push_back({"V5 32-bit alpha", b, 2, 1, {kWhite, Rgb(0, 100, 200)}});
  }
  {
    Bmp b;  // 10-10-10-2: 1023 is full, 512 of 1023 is 128 (127.6)
    b.headerSize = 56;
    b.bits = 32;
    b.compression = 3;
    b.width = 1;
    b.height = 1;
    b.masks = {0x3FF00000, 0x000FFC00, 0x000003FF, 0xC0000000};
    b.pixels = {0x00, 0x02, 0xF0, 0xFF};  // alpha 3, red 1023, green 0, blue 512
    v.push_back({"32-bit 10-10-10-2", b, 1, 1, {Rgb(255, 0, 128)}});
  }
  {
    Bmp b;  // V4, 24 bits
    b.headerSize = 108;
    b.width = 1;
    b.height = 2;
    b.pixels = {1, 2, 3, 0, 4, 5, 6, 0};
    v.push_back({"V4 24-bit", b, 1, 2, {Rgb(6, 5, 4), Rgb(3, 2, 1)}});
  }
  {
    Bmp b;  // OS/2 1.x: three bytes per colour
    b.headerSize = 12;
    b.bits = 8;
    b.width = 2;
    b.height = 2;
    b.palette.assign(256, kBlack);
    b.palette[7] = Rgb(7, 8, 9);
    b.palette[255] = Rgb(255, 1, 2);
    b.pixels = {7, 255, 0, 0, 255, 7, 0, 0};
    v.push_back(
        {"OS/2 core 8-bit", b, 2, 2, {Rgb(255, 1, 2), Rgb(7, 8, 9), Rgb(7, 8, 9), Rgb(255, 1, 2)}});
  }
  {
    Bmp b;
    b.headerSize = 12;
    b.width = 1;
    b.height = 1;
    b.pixels = {9, 8, 7, 0};
    v.push_back({"OS/2 core 24-bit", b, 1, 1, {Rgb(7, 8, 9)}});
  }
  {
    Bmp b;  // OS/2 2.x, full header
    b.headerSize = 64;
    b.bits = 4;
    b.width = 2;
    b.height = 1;
    b.colorsUsed = 2;
    b.palette = {kBlue, kGreen};
    b.pixels = {0x10, 0, 0, 0};
    v.push_back({"OS/2 2.x 4-bit", b, 2, 1, {kGreen, kBlue}});
  }
  {
    Bmp b;  // OS/2 2.x, shortest header: no compression field
    b.headerSize = 16;
    b.bits = 1;
    b.width = 2;
    b.height = 1;
    b.palette = {kBlack, kRed};
    b.pixels = {0x40, 0, 0, 0};
    v.push_back({"OS/2 2.x 16-byte header", b, 2, 1, {kBlack, kRed}});
  }
  {
    Bmp b;  // runs, an odd absolute run, a delta, end of line and end of bitmap
    b.bits = 8;
    b.compression = 1;
    b.width = 4;
    b.height = 3;
    b.palette = kFour;
    b.colorsUsed = 4;
    b.pixels = {
        0, 3, 1, 1, 2, 0,  // bottom row: absolute G G B, padded to an even length
        1, 3,              // then one A
        0, 0,              // end of line
        0, 2, 1, 1,        // delta: one right, one up, into the top row
        3, 0,              // R R R at x 1..3; the middle row stays white
        0, 1,              // end of bitmap
    };
    v.push_back({"RLE8",
                 b,
                 4,
                 3,
                 {kWhite, kRed, kRed, kRed, kWhite, kWhite, kWhite, kWhite, kGreen, kGreen,
                  kFour[2], kFour[3]}});
  }
  {
    Bmp b;  // an absolute run of 3 pixels takes 2 bytes; RLE4 runs alternate two indices
    b.bits = 4;
    b.compression = 2;
    b.width = 5;
    b.height = 2;
    b.palette = kFour;
    b.colorsUsed = 4;
    b.pixels = {0, 3, 0x12, 0x30, 2, 0x03, 0, 0, 5, 0x21, 0, 0};  // no end-of-bitmap mark
    v.push_back({"RLE4",
                 b,
                 5,
                 2,
                 {kFour[2], kFour[1], kFour[2], kFour[1], kFour[2], kFour[1], kFour[2], kFour[3],
                  kFour[0], kFour[3]}});
  }
  return v;
}

// A 4 × 3 RLE8 picture, from the table above.
Bytes Rle8ForBound() {
  for (const Valid& c : ValidPictures()) {
    if (c.name == "RLE8") return c.bmp.File();
  }
  return {};
}

TEST(BmpTest, ReadsEveryFormatAsFileAndAsPackedDib) {
  for (const Valid& c : ValidPictures()) {
    SCOPED_TRACE(c.name);
    for (bool packed : {false, true}) {
      BmpPicture p;
      const BmpStatus s = packed ? ReadDib(c.bmp.Dib(), &p) : ReadFile(c.bmp.File(), &p);
      ASSERT_EQ(s, BmpStatus::Ok) << BmpStatusName(s) << (packed ? " (packed)" : " (file)");
      EXPECT_EQ(p.width, c.width);
      EXPECT_EQ(p.height, c.height);
      EXPECT_EQ(p.pixels, c.expected);
    }
  }
}

TEST(BmpTest, FilePixelsStartAtTheirOffset) {
  for (const Valid& c : ValidPictures()) {
    SCOPED_TRACE(c.name);
    BmpPicture p;
    ASSERT_EQ(ReadFile(c.bmp.File(6), &p), BmpStatus::Ok);
    EXPECT_EQ(p.pixels, c.expected);
  }
}

// Every valid file cut short is refused, except where only the last row's padding is
// missing; what is read is then the whole picture.
TEST(BmpTest, EveryCutOfAValidFileIsRefusedOrWhole) {
  for (const Valid& c : ValidPictures()) {
    SCOPED_TRACE(c.name);
    const Bytes whole = c.bmp.File();
    for (std::size_t n = 0; n < whole.size(); ++n) {
      BmpPicture p;
      const BmpStatus s = ReadBmpFile(whole.data(), n, &p);
      if (s == BmpStatus::Ok) {
        EXPECT_EQ(p.pixels, c.expected) << "cut at " << n;
      } else {
        EXPECT_TRUE(p.pixels.empty() && p.width == 0 && p.height == 0) << "cut at " << n;
      }
    }
  }
}

TEST(BmpTest, PaddingOfTheLastRowMayBeMissing) {
  Bmp b;
  b.width = 1;
  b.height = 2;
  b.pixels = {1, 2, 3, 0, 4, 5, 6};
  BmpPicture p;
  ASSERT_EQ(ReadFile(b.File(), &p), BmpStatus::Ok);
  EXPECT_EQ(p.pixels, (Pixels{Rgb(6, 5, 4), Rgb(3, 2, 1)}));
  b.pixels.pop_back();
  EXPECT_EQ(ReadFile(b.File(), &p), BmpStatus::PixelsCut);
}

// A file's colour table may be shorter than declared: the pixel offset ends it.
TEST(BmpTest, ColourTableEndsAtThePixelOffset) {
  Bmp b;
  b.headerSize = 12;
  b.bits = 8;
  b.width = 2;
  b.height = 1;
  b.palette = {kRed, kGreen};
  b.pixels = {1, 0, 0, 0};
  BmpPicture p;
  ASSERT_EQ(ReadFile(b.File(), &p), BmpStatus::Ok);
  EXPECT_EQ(p.pixels, (Pixels{kGreen, kRed}));
  b.pixels = {1, 2, 0, 0};
  EXPECT_EQ(ReadFile(b.File(), &p), BmpStatus::BadIndex);
}

TEST(BmpTest, CallersMayLowerThePixelBound) {
  const Bytes rle = Rle8ForBound();
  BmpPicture p;
  EXPECT_EQ(ReadBmpFile(rle.data(), rle.size(), &p, 11), BmpStatus::TooLarge);
  EXPECT_EQ(ReadBmpFile(rle.data(), rle.size(), &p, 12), BmpStatus::Ok);
  EXPECT_EQ(ReadBmpFile(rle.data(), rle.size(), &p, kMaxBmpPixels * 2), BmpStatus::Ok);
  Bytes dib(rle.begin() + 14, rle.end());
  EXPECT_EQ(ReadPackedDib(dib.data(), dib.size(), &p, 11), BmpStatus::TooLarge);
  EXPECT_EQ(ReadPackedDib(dib.data(), dib.size(), &p, 12), BmpStatus::Ok);
  EXPECT_EQ(p.pixels.size(), 12u);
}

// ---- hostile pictures ------------------------------------------------------------------------

struct Hostile {
  std::string name;
  Bytes bytes;
  bool packed;
  BmpStatus expected;
};

// Pixels are stored for small pictures only.
Bmp Plain24(std::int32_t w, std::int32_t h) {
  Bmp b;
  b.width = w;
  b.height = h;
  const std::int64_t rows = h < 0 ? -static_cast<std::int64_t>(h) : h;
  const std::int64_t stride = (static_cast<std::int64_t>(w) * 3 + 3) / 4 * 4;
  if (w > 0 && stride * rows < 400000) {
    b.pixels.assign(static_cast<std::size_t>(stride * rows), 0x40);
  }
  return b;
}

Bmp Rle8(Bytes stream) {
  Bmp b;
  b.bits = 8;
  b.compression = 1;
  b.width = 4;
  b.height = 2;
  b.palette = kFour;
  b.colorsUsed = 4;
  b.pixels = std::move(stream);
  return b;
}

Bmp Fields16(std::vector<std::uint32_t> masks, std::uint32_t compression = 3) {
  Bmp b;
  b.bits = 16;
  b.compression = compression;
  b.width = 2;
  b.height = 1;
  b.masks = std::move(masks);
  b.pixels = {1, 2, 3, 4};
  return b;
}

Bytes With(Bytes b, std::size_t at, std::uint32_t value) {
  Set32(b, at, value);
  return b;
}

std::vector<Hostile> HostilePictures() {
  const Bytes good = Plain24(2, 2).File();
  std::vector<Hostile> v = {
      {"empty", {}, false, BmpStatus::NotBmp},
      {"file header only, cut", Bytes(good.begin(), good.begin() + 13), false, BmpStatus::NotBmp},
      {"other signature", With(good, 0, 0x4142), false, BmpStatus::NotBmp},
      {"info header cut", Bytes(good.begin(), good.begin() + 40), false, BmpStatus::HeaderCut},
      {"header size 0", With(good, 14, 0), false, BmpStatus::BadHeaderSize},
      {"header size 41", With(good, 14, 41), false, BmpStatus::BadHeaderSize},
      {"header size 200", With(good, 14, 200), false, BmpStatus::BadHeaderSize},
      {"header size beyond the data", With(good, 14, 124), false, BmpStatus::HeaderCut},
      {"pixel offset beyond the file", With(good, 10, 100000), false, BmpStatus::BadPixelOffset},
      {"pixel offset 0", With(good, 10, 0), false, BmpStatus::BadPixelOffset},
      {"pixel offset inside the header", With(good, 10, 30), false, BmpStatus::BadPixelOffset},
      {"pixels cut short", Bytes(good.begin(), good.end() - 3), false, BmpStatus::PixelsCut},
      {"packed DIB, nothing", {}, true, BmpStatus::HeaderCut},
      {"packed DIB, 3 bytes", {40, 0, 0}, true, BmpStatus::HeaderCut},
  };
  auto add = [&v](const std::string& name, const Bmp& b, BmpStatus expected) {
    v.push_back({name + " (file)", b.File(), false, expected});
    v.push_back({name + " (packed)", b.Dib(), true, expected});
  };
  add("width 0", Plain24(0, 2), BmpStatus::BadDimensions);
  add("height 0", Plain24(2, 0), BmpStatus::BadDimensions);
  add("negative width", Plain24(-2, 2), BmpStatus::BadDimensions);
  add("width beyond the bound", Plain24(kMaxBmpSide + 1, 1), BmpStatus::TooLarge);
  add("height beyond the bound", Plain24(1, -(kMaxBmpSide + 1)), BmpStatus::TooLarge);
  add("too many pixels", Plain24(kMaxBmpSide, kMaxBmpSide), BmpStatus::TooLarge);
  {
    Bmp b = Plain24(kMaxBmpSide, 2);
    b.pixels.pop_back();
    b.pixels.pop_back();
    b.pixels.pop_back();
    b.pixels.pop_back();
    add("largest width, cut", b, BmpStatus::PixelsCut);
  }
  add("height of INT32_MIN", Plain24(1, INT32_MIN), BmpStatus::TooLarge);
  add("height of INT32_MAX", Plain24(1, INT32_MAX), BmpStatus::TooLarge);
  add("width of INT32_MAX", Plain24(INT32_MAX, 1), BmpStatus::TooLarge);
  {
    Bmp b = Plain24(2, 2);
    b.planes = 0;
    add("0 planes", b, BmpStatus::BadPlanes);
    b.planes = 2;
    add("2 planes", b, BmpStatus::BadPlanes);
  }
  for (std::uint32_t bits : {0u, 2u, 3u, 7u, 12u, 48u, 64u, 65535u}) {
    Bmp b = Plain24(2, 2);
    b.bits = bits;
    add(std::to_string(bits) + " bits", b, BmpStatus::BadBitCount);
  }
  {
    Bmp b = Plain24(2, 2);
    b.headerSize = 12;
    b.bits = 32;
    add("OS/2 core with 32 bits", b, BmpStatus::BadBitCount);
  }
  {
    Bmp b = Plain24(2, 2);
    b.bits = 0;
    b.compression = 4;
    add("embedded JPEG", b, BmpStatus::Unsupported);
    b.compression = 5;
    add("embedded PNG", b, BmpStatus::Unsupported);
    b.bits = 1;
    b.compression = 3;
    b.headerSize = 64;
    add("OS/2 Huffman", b, BmpStatus::Unsupported);
    b.bits = 24;
    b.compression = 4;
    add("OS/2 RLE24", b, BmpStatus::Unsupported);
    b.headerSize = 40;
    for (std::uint32_t c : {7u, 11u, 0x80000000u}) {
      b.compression = c;
      add("compression " + std::to_string(c), b, BmpStatus::BadCompression);
    }
    b.compression = 1;
    add("RLE8 with 24 bits", b, BmpStatus::BadCompression);
    b.compression = 3;
    add("bit fields with 24 bits", b, BmpStatus::BadCompression);
  }
  {
    Bmp b = Rle8({0, 1});
    b.height = -2;
    add("top-down RLE8", b, BmpStatus::BadCompression);
  }
  add("all-zero masks", Fields16({0, 0, 0}), BmpStatus::BadMasks);
  add("only an alpha mask", Fields16({0, 0, 0, 0xF000}, 6), BmpStatus::BadMasks);
  add("overlapping masks", Fields16({0xF800, 0x0FE0, 0x001F}), BmpStatus::BadMasks);
  add("alpha overlapping", Fields16({0x7C00, 0x03E0, 0x001F, 0x8001}, 6), BmpStatus::BadMasks);
  add("scattered mask", Fields16({0xF000, 0x0A00, 0x000F}), BmpStatus::BadMasks);
  add("16-bit mask beyond 16 bits", Fields16({0xF0000, 0x00F0, 0x000F}), BmpStatus::BadMasks);
  {
    Bmp b = Fields16({0xF800, 0x07E0, 0x001F});
    b.pixels.clear();
    Bytes file = b.File();
    file.resize(file.size() - 8);  // the third mask and part of the second
    Set32(file, 10, 14 + 40 + 12);
    v.push_back({"masks cut (file)", file, false, BmpStatus::HeaderCut});
    Bytes dib = b.Dib();
    dib.resize(dib.size() - 2);
    v.push_back({"masks cut (packed)", dib, true, BmpStatus::HeaderCut});
    Bytes inside = Fields16({0xF800, 0x07E0, 0x001F}).File();
    Set32(inside, 10, 14 + 40 + 4);
    v.push_back({"pixel offset inside the masks", inside, false, BmpStatus::BadPixelOffset});
  }
  {
    Bmp b;
    b.bits = 8;
    b.width = 2;
    b.height = 1;
    b.colorsUsed = 2;
    b.palette = {kRed, kGreen};
    b.pixels = {1, 5, 0, 0};
    add("index beyond the table", b, BmpStatus::BadIndex);
    b.pixels = {1, 2, 0, 0};
    add("index just beyond the table", b, BmpStatus::BadIndex);
    b.colorsUsed = 0;
    b.palette.clear();
    v.push_back({"no colour table before the pixels", b.File(), false, BmpStatus::BadPalette});
    v.push_back({"colour table cut", b.Dib(), true, BmpStatus::HeaderCut});
    b.colorsUsed = 300;
    b.palette.assign(300, kRed);
    v.push_back({"table longer than 8 bits allow (packed)", b.Dib(), true, BmpStatus::BadPalette});
    b.bits = 24;
    b.palette.clear();
    b.colorsUsed = 0x40000000;
    b.pixels = {1, 2, 3, 4, 5, 6, 0, 0};
    v.push_back({"24-bit with a huge colour table (packed)", b.Dib(), true, BmpStatus::HeaderCut});
  }
  add("RLE run past the row", Rle8({5, 1, 0, 1}), BmpStatus::BadRle);
  add("RLE absolute past the row", Rle8({2, 1, 0, 3, 1, 1, 1, 0, 0, 1}), BmpStatus::BadRle);
  add("RLE delta past the right", Rle8({0, 2, 5, 0, 0, 1}), BmpStatus::BadRle);
  add("RLE delta past the top", Rle8({0, 2, 0, 2, 0, 1}), BmpStatus::BadRle);
  add("RLE stream ends early", Rle8({4, 1, 0, 0, 2, 1}), BmpStatus::BadRle);
  add("RLE delta cut", Rle8({0, 2, 1}), BmpStatus::BadRle);
  add("RLE absolute run cut", Rle8({0, 4, 1, 1, 1}), BmpStatus::BadRle);
  add("RLE absolute padding cut", Rle8({0, 3, 1, 1, 1}), BmpStatus::BadRle);
  add("RLE index beyond the table", Rle8({2, 9, 0, 1}), BmpStatus::BadIndex);
  add("RLE absolute index beyond", Rle8({0, 3, 1, 4, 1, 0, 0, 1}), BmpStatus::BadIndex);
  add("RLE empty stream", Rle8({}), BmpStatus::BadRle);
  {
    Bmp b = Rle8({0x04, 0x19, 0, 1});
    b.bits = 4;
    b.compression = 2;
    add("RLE4 index beyond the table", b, BmpStatus::BadIndex);
  }
  return v;
}

TEST(BmpTest, RefusesHostilePictures) {
  for (const Hostile& c : HostilePictures()) {
    SCOPED_TRACE(c.name);
    BmpPicture p;
    p.width = 7;
    p.pixels.assign(3, 1);  // a refusal leaves nothing of an earlier picture
    const BmpStatus s = c.packed ? ReadDib(c.bytes, &p) : ReadFile(c.bytes, &p);
    EXPECT_EQ(s, c.expected) << BmpStatusName(s);
    EXPECT_TRUE(p.pixels.empty() && p.width == 0 && p.height == 0);
  }
}

TEST(BmpTest, RleSkippedPixelsAreWhite) {
  struct Case {
    const char* name;
    Bytes stream;
    Pixels expected;  // 4 × 2, top-down
  };
  const std::uint32_t g = kGreen;
  const std::uint32_t w = kWhite;
  const Case cases[] = {
      {"end of bitmap at once", {0, 1}, {w, w, w, w, w, w, w, w}},
      {"end of line, then the top row", {1, 1, 0, 0, 4, 1, 0, 1}, {g, g, g, g, g, w, w, w}},
      {"delta right on the top row", {0, 0, 0, 2, 3, 0, 1, 1, 0, 1}, {w, w, w, g, w, w, w, w}},
      {"rows complete without an end mark", {4, 1, 0, 0, 4, 1, 0, 0}, {g, g, g, g, g, g, g, g}},
      {"bytes after the end are ignored", {0, 1, 9, 9, 9}, {w, w, w, w, w, w, w, w}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    BmpPicture p;
    ASSERT_EQ(ReadFile(Rle8(c.stream).File(), &p), BmpStatus::Ok);
    EXPECT_EQ(p.pixels, c.expected);
  }
}

// Flipping any one byte of a valid picture gives a refusal or a whole picture of the size
// its headers state.
TEST(BmpTest, FlippedBytesGiveARefusalOrAWholePicture) {
  for (const Valid& c : ValidPictures()) {
    SCOPED_TRACE(c.name);
    const Bytes whole = c.bmp.File();
    for (std::size_t i = 0; i < whole.size(); ++i) {
      for (std::uint8_t x : {0x01, 0x80, 0xFF}) {
        Bytes b = whole;
        b[i] ^= x;
        BmpPicture p;
        if (ReadFile(b, &p) == BmpStatus::Ok) {
          ASSERT_GT(p.width, 0);
          ASSERT_GT(p.height, 0);
          ASSERT_EQ(p.pixels.size(), static_cast<std::size_t>(p.width) * p.height);
          for (std::uint32_t px : p.pixels) ASSERT_EQ(px >> 24, 0u);
        } else {
          ASSERT_TRUE(p.pixels.empty());
        }
      }
    }
  }
}

}  // namespace
}  // namespace dz::testing
