#include "pictures/bmp.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <new>
#include <string>
#include <vector>

// The reader asks for its pixels with new (std::nothrow). While this is set, that
// allocation fails here as it does on a system out of memory.
static bool refuseNothrowArrays = false;

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  if (refuseNothrowArrays) return nullptr;
  try {
    return ::operator new[](size);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

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

// A picture laid out by Bmp; `colorsUsed` 0 means the whole table of its bit count.
Bmp Pic(std::int32_t w, std::int32_t h, std::uint32_t bits, Bytes pixels,
        std::vector<std::uint32_t> palette = {}, std::uint32_t compression = 0,
        std::vector<std::uint32_t> masks = {}, std::uint32_t headerSize = 40) {
  Bmp b;
  b.headerSize = headerSize;
  b.width = w;
  b.height = h;
  b.bits = bits;
  b.compression = compression;
  b.masks = std::move(masks);
  if (bits <= 8 && headerSize > 16 && palette.size() < (1u << bits)) {
    b.colorsUsed = static_cast<std::uint32_t>(palette.size());
  }
  b.palette = std::move(palette);
  b.pixels = std::move(pixels);
  return b;
}

// ---- valid pictures --------------------------------------------------------------------------

struct Valid {
  std::string name;
  Bmp bmp;
  Pixels expected;  // top-down
};

const std::vector<std::uint32_t> kFour = {kRed, kGreen, kBlue, Rgb(10, 20, 30)};
const std::uint32_t kA = Rgb(10, 20, 30);
const std::uint32_t kO = Rgb(1, 2, 3);
const std::uint32_t kI = Rgb(200, 100, 50);
const std::uint32_t kW = kWhite;
const std::vector<std::uint32_t> kArgb = {0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000};

// Rows are stored bottom first (unless the height is negative) and padded to 4 bytes.
std::vector<Valid> ValidPictures() {
  std::vector<std::uint32_t> os2(256, kBlack);
  os2[7] = Rgb(7, 8, 9);
  os2[255] = Rgb(255, 1, 2);
  return {
      {"1-bit, 9 wide",
       Pic(9, 2, 1, {0x80, 0x80, 0, 0, 0x7F, 0, 0, 0}, {kO, kI}),
       {kO, kI, kI, kI, kI, kI, kI, kI, kO, kI, kO, kO, kO, kO, kO, kO, kO, kI}},
      {"4-bit",
       Pic(3, 2, 4, {0x01, 0x20, 0, 0, 0x33, 0x10, 0, 0}, kFour),
       {kA, kA, kGreen, kRed, kGreen, kBlue}},
      {"8-bit top-down",
       Pic(3, -2, 8, {0, 1, 2, 0, 3, 3, 0, 0}, kFour),
       {kRed, kGreen, kBlue, kA, kA, kRed}},
      // 5-5-5 without masks; the top bit is unused
      {"16-bit 5-5-5",
       Pic(3, 1, 16, {0x00, 0xFC, 0xE0, 0x03, 0x1F, 0x80, 0, 0}),
       {kRed, kGreen, kBlue}},
      // blue 16 of 31 is 131.6
      {"16-bit 5-6-5",
       Pic(2, 1, 16, {0xE0, 0x07, 0x10, 0x00}, {}, 3, {0xF800, 0x07E0, 0x001F}),
       {kGreen, Rgb(0, 0, 132)}},
      // 3-bit red, 1-bit green, 12-bit blue; red 3 of 7 is 109.3
      {"16-bit 3-1-12",
       Pic(2, 1, 16, {0xFF, 0xFF, 0x00, 0x60}, {}, 3, {0xE000, 0x1000, 0x0FFF}),
       {kWhite, Rgb(109, 0, 0)}},
      // 4-4-4-4 after a 40-byte header: opaque red, transparent red, black at 8 of 15
      {"16-bit 4-4-4-4 alpha",
       Pic(3, 1, 16, {0x00, 0xFF, 0x00, 0x0F, 0x00, 0x80, 0, 0}, {}, 6,
           {0x0F00, 0x00F0, 0x000F, 0xF000}),
       {kRed, kWhite, Rgb(119, 119, 119)}},
      {"24-bit",
       Pic(3, 2, 24,
           {0, 0, 255, 0, 255, 0, 255, 0, 0, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 0, 0}),
       {Rgb(3, 2, 1), Rgb(6, 5, 4), Rgb(9, 8, 7), kRed, kGreen, kBlue}},
      {"32-bit, top bytes all 0: opaque",
       Pic(2, 1, 32, {10, 20, 30, 0, 255, 255, 255, 0}),
       {Rgb(30, 20, 10), kWhite}},
      {"32-bit, top bytes used: alpha",
       Pic(3, 1, 32, {0, 0, 0, 0, 0, 0, 255, 255, 0, 0, 0, 128}),
       {kWhite, kRed, Rgb(127, 127, 127)}},
      {"V5 32-bit alpha",
       Pic(2, -1, 32, {0, 0, 0, 0, 200, 100, 0, 255}, {}, 3, kArgb, 124),
       {kWhite, Rgb(0, 100, 200)}},
      // alpha 3, red 1023, green 0, blue 512 (127.6)
      {"V3 32-bit 10-10-10-2",
       Pic(1, 1, 32, {0x00, 0x02, 0xF0, 0xFF}, {}, 3,
           {0x3FF00000, 0x000FFC00, 0x000003FF, 0xC0000000}, 56),
       {Rgb(255, 0, 128)}},
      {"V4 24-bit",
       Pic(1, 2, 24, {1, 2, 3, 0, 4, 5, 6, 0}, {}, 0, {}, 108),
       {Rgb(6, 5, 4), Rgb(3, 2, 1)}},
      {"OS/2 core 8-bit",
       Pic(2, 2, 8, {7, 255, 0, 0, 255, 7, 0, 0}, os2, 0, {}, 12),
       {os2[255], os2[7], os2[7], os2[255]}},
      {"OS/2 core 24-bit", Pic(1, 1, 24, {9, 8, 7, 0}, {}, 0, {}, 12), {Rgb(7, 8, 9)}},
      {"OS/2 2.x 4-bit",
       Pic(2, 1, 4, {0x10, 0, 0, 0}, {kBlue, kGreen}, 0, {}, 64),
       {kGreen, kBlue}},
      {"OS/2 2.x 16-byte header",
       Pic(2, 1, 1, {0x40, 0, 0, 0}, {kBlack, kRed}, 0, {}, 16),
       {kBlack, kRed}},
      // bottom row: absolute G G B (padded to even), a run of one A, end of line; a delta
      // one right and one up to the top row; R R R; end of bitmap. The middle row is white.
      {"RLE8",
       Pic(4, 3, 8, {0, 3, 1, 1, 2, 0, 1, 3, 0, 0, 0, 2, 1, 1, 3, 0, 0, 1}, kFour, 1),
       {kW, kRed, kRed, kRed, kW, kW, kW, kW, kGreen, kGreen, kBlue, kA}},
      // absolute 1 2 3 in two bytes, a run alternating 0 3, end of line; a run alternating
      // 2 1, end of line on the last row, no end-of-bitmap mark
      {"RLE4",
       Pic(5, 2, 4, {0, 3, 0x12, 0x30, 2, 0x03, 0, 0, 5, 0x21, 0, 0}, kFour, 2),
       {kBlue, kGreen, kBlue, kGreen, kBlue, kGreen, kBlue, kA, kRed, kA}},
  };
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
      EXPECT_EQ(p.width, c.bmp.width);
      EXPECT_EQ(p.height, c.bmp.height < 0 ? -c.bmp.height : c.bmp.height);
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
  Bmp b = Pic(1, 2, 24, {1, 2, 3, 0, 4, 5, 6});
  BmpPicture p;
  ASSERT_EQ(ReadFile(b.File(), &p), BmpStatus::Ok);
  EXPECT_EQ(p.pixels, (Pixels{Rgb(6, 5, 4), Rgb(3, 2, 1)}));
  b.pixels.pop_back();
  EXPECT_EQ(ReadFile(b.File(), &p), BmpStatus::PixelsCut);
}

TEST(BmpTest, PixelsThatCannotBeHeldAreRefused) {
  const Bytes file = Pic(1, 2, 24, {1, 2, 3, 0, 4, 5, 6, 0}).File();
  BmpPicture p;
  refuseNothrowArrays = true;
  const BmpStatus s = ReadFile(file, &p);
  refuseNothrowArrays = false;
  EXPECT_EQ(s, BmpStatus::NoMemory) << BmpStatusName(s);
  EXPECT_TRUE(p.pixels.empty() && p.width == 0 && p.height == 0);
}

// A file's colour table may be shorter than declared: the pixel offset ends it.
TEST(BmpTest, ColourTableEndsAtThePixelOffset) {
  Bmp b = Pic(2, 1, 8, {1, 0, 0, 0}, {kRed, kGreen}, 0, {}, 12);  // declares 256 colours
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
  return Pic(4, 2, 8, std::move(stream), kFour, 1);
}

Bmp Fields16(std::vector<std::uint32_t> masks, std::uint32_t compression = 3) {
  return Pic(2, 1, 16, {1, 2, 3, 4}, {}, compression, std::move(masks));
}

// A 2 × 2 24-bit picture with one change.
Bmp Plain(const std::function<void(Bmp&)>& change) {
  Bmp b = Plain24(2, 2);
  change(b);
  return b;
}

Bytes With(Bytes b, std::size_t at, std::uint32_t value) {
  Set32(b, at, value);
  return b;
}

Bytes Cut(const Bytes& b, std::size_t n) {
  return Bytes(b.begin(), b.begin() + static_cast<std::ptrdiff_t>(n));
}

std::vector<Hostile> HostilePictures() {
  using S = BmpStatus;
  const Bytes good = Plain24(2, 2).File();
  Bmp bigCut = Plain24(kMaxBmpSide, 2);
  bigCut.pixels.resize(bigCut.pixels.size() - 4);
  Bytes masksCut = Fields16({0xF800, 0x07E0, 0x001F}).File();
  masksCut.resize(14 + 40 + 4);  // one mask of three
  const Bytes masksAt = Fields16({0xF800, 0x07E0, 0x001F}).File();
  const Bmp index = Pic(2, 1, 8, {1, 5, 0, 0}, {kRed, kGreen});
  const Bmp noTable = Pic(2, 1, 8, {1, 0, 0, 0});
  Bmp longTable = Pic(2, 1, 8, {1, 0, 0, 0}, std::vector<std::uint32_t>(300, kRed));
  longTable.colorsUsed = 300;
  Bmp hugeTable = Pic(2, 1, 24, {1, 2, 3, 4, 5, 6, 0, 0});
  hugeTable.colorsUsed = 0x40000000;
  std::vector<Hostile> v = {
      {"empty", {}, false, S::NotBmp},
      {"file header cut", Cut(good, 13), false, S::NotBmp},
      {"other signature", With(good, 0, 0x4142), false, S::NotBmp},
      {"info header cut", Cut(good, 40), false, S::HeaderCut},
      {"header size 0", With(good, 14, 0), false, S::BadHeaderSize},
      {"header size 41", With(good, 14, 41), false, S::BadHeaderSize},
      {"header size 200", With(good, 14, 200), false, S::BadHeaderSize},
      {"header size beyond the data", With(good, 14, 124), false, S::HeaderCut},
      {"pixel offset beyond the file", With(good, 10, 100000), false, S::BadPixelOffset},
      {"pixel offset 0", With(good, 10, 0), false, S::BadPixelOffset},
      {"pixel offset inside the header", With(good, 10, 30), false, S::BadPixelOffset},
      {"pixel offset inside the masks", With(masksAt, 10, 14 + 40 + 4), false, S::BadPixelOffset},
      {"pixels cut short", Cut(good, good.size() - 3), false, S::PixelsCut},
      {"masks cut (file)", With(masksCut, 10, 14 + 40 + 12), false, S::HeaderCut},
      {"masks cut (packed)", Cut(Fields16({0xF800, 0x07E0, 0x001F}).Dib(), 50), true, S::HeaderCut},
      {"packed DIB, nothing", {}, true, S::HeaderCut},
      {"packed DIB, 3 bytes", {40, 0, 0}, true, S::HeaderCut},
      {"no colour table before the pixels", noTable.File(), false, S::BadPalette},
      {"colour table cut (packed)", noTable.Dib(), true, S::HeaderCut},
      {"table longer than 8 bits allow (packed)", longTable.Dib(), true, S::BadPalette},
      {"24-bit with a huge colour table (packed)", hugeTable.Dib(), true, S::HeaderCut},
  };
  auto add = [&v](const std::string& name, const Bmp& b, BmpStatus expected) {
    v.push_back({name + " (file)", b.File(), false, expected});
    v.push_back({name + " (packed)", b.Dib(), true, expected});
  };
  add("width 0", Plain24(0, 2), S::BadDimensions);
  add("height 0", Plain24(2, 0), S::BadDimensions);
  add("negative width", Plain24(-2, 2), S::BadDimensions);
  add("width beyond the bound", Plain24(kMaxBmpSide + 1, 1), S::TooLarge);
  add("height beyond the bound", Plain24(1, -(kMaxBmpSide + 1)), S::TooLarge);
  add("too many pixels", Plain24(kMaxBmpSide, kMaxBmpSide), S::TooLarge);
  add("largest width, cut", bigCut, S::PixelsCut);
  add("height of INT32_MIN", Plain24(1, INT32_MIN), S::TooLarge);
  add("height of INT32_MAX", Plain24(1, INT32_MAX), S::TooLarge);
  add("width of INT32_MAX", Plain24(INT32_MAX, 1), S::TooLarge);
  add("0 planes", Plain([](Bmp& b) { b.planes = 0; }), S::BadPlanes);
  add("2 planes", Plain([](Bmp& b) { b.planes = 2; }), S::BadPlanes);
  for (std::uint32_t bits : {0u, 2u, 3u, 7u, 12u, 48u, 64u, 65535u}) {
    add(std::to_string(bits) + " bits", Plain([bits](Bmp& b) { b.bits = bits; }), S::BadBitCount);
  }
  add("OS/2 core with 32 bits", Plain([](Bmp& b) { b.headerSize = 12, b.bits = 32; }),
      S::BadBitCount);
  add("embedded JPEG", Plain([](Bmp& b) { b.bits = 0, b.compression = 4; }), S::Unsupported);
  add("embedded PNG", Plain([](Bmp& b) { b.bits = 0, b.compression = 5; }), S::Unsupported);
  add("OS/2 Huffman", Plain([](Bmp& b) { b.headerSize = 64, b.bits = 1, b.compression = 3; }),
      S::Unsupported);
  add("OS/2 RLE24", Plain([](Bmp& b) { b.headerSize = 64, b.compression = 4; }), S::Unsupported);
  for (std::uint32_t c : {7u, 11u, 0x80000000u}) {
    add("compression " + std::to_string(c), Plain([c](Bmp& b) { b.compression = c; }),
        S::BadCompression);
  }
  add("RLE8 with 24 bits", Plain([](Bmp& b) { b.compression = 1; }), S::BadCompression);
  add("bit fields with 24 bits", Plain([](Bmp& b) { b.compression = 3; }), S::BadCompression);
  add("top-down RLE8", Pic(4, -2, 8, {0, 1}, kFour, 1), S::BadCompression);
  add("all-zero masks", Fields16({0, 0, 0}), S::BadMasks);
  add("only an alpha mask", Fields16({0, 0, 0, 0xF000}, 6), S::BadMasks);
  add("overlapping masks", Fields16({0xF800, 0x0FE0, 0x001F}), S::BadMasks);
  add("alpha overlapping", Fields16({0x7C00, 0x03E0, 0x001F, 0x8001}, 6), S::BadMasks);
  add("scattered mask", Fields16({0xF000, 0x0A00, 0x000F}), S::BadMasks);
  add("16-bit mask beyond 16 bits", Fields16({0xF0000, 0x00F0, 0x000F}), S::BadMasks);
  add("index beyond the table", index, S::BadIndex);
  add("index just beyond the table", Pic(2, 1, 8, {1, 2, 0, 0}, {kRed, kGreen}), S::BadIndex);
  add("RLE delta past the top", Rle8({0, 2, 0, 2, 0, 1}), S::BadRle);
  add("RLE stream ends early", Rle8({4, 1, 0, 0, 2, 1}), S::BadRle);
  add("RLE delta cut", Rle8({0, 2, 1}), S::BadRle);
  add("RLE absolute run cut", Rle8({0, 4, 1, 1, 1}), S::BadRle);
  add("RLE absolute padding cut", Rle8({0, 3, 1, 1, 1}), S::BadRle);
  add("RLE index beyond the table", Rle8({2, 9, 0, 1}), S::BadIndex);
  add("RLE absolute index beyond", Rle8({0, 3, 1, 4, 1, 0, 0, 1}), S::BadIndex);
  add("RLE empty stream", Rle8({}), S::BadRle);
  add("RLE4 index beyond the table", Pic(4, 2, 4, {0x04, 0x19, 0, 1}, kFour, 2), S::BadIndex);
  return v;
}

TEST(BmpTest, RefusesHostilePictures) {
  for (const Hostile& c : HostilePictures()) {
    SCOPED_TRACE(c.name);
    BmpPicture p;
    p.width = 7;
    ASSERT_TRUE(p.pixels.assign(3, 1));  // a refusal leaves nothing of an earlier picture
    const BmpStatus s = c.packed ? ReadDib(c.bytes, &p) : ReadFile(c.bytes, &p);
    EXPECT_EQ(s, c.expected) << BmpStatusName(s);
    EXPECT_TRUE(p.pixels.empty() && p.width == 0 && p.height == 0);
  }
}

// Skipped pixels are white; pixels beyond the right edge are dropped, never wrapped into
// the next row.
TEST(BmpTest, RleStreamsGiveSoundPictures) {
  struct Case {
    const char* name;
    Bytes stream;
    Pixels expected;  // 4 × 2, top-down
  };
  const std::uint32_t g = kGreen;
  const std::uint32_t b = kBlue;
  const std::uint32_t w = kWhite;
  const Case cases[] = {
      {"end of bitmap at once", {0, 1}, {w, w, w, w, w, w, w, w}},
      {"end of line, then the top row", {1, 1, 0, 0, 4, 1, 0, 1}, {g, g, g, g, g, w, w, w}},
      {"delta right on the top row", {0, 0, 0, 2, 3, 0, 1, 1, 0, 1}, {w, w, w, g, w, w, w, w}},
      {"rows complete without an end mark", {4, 1, 0, 0, 4, 1, 0, 0}, {g, g, g, g, g, g, g, g}},
      {"bytes after the end are ignored", {0, 1, 9, 9, 9}, {w, w, w, w, w, w, w, w}},
      {"run past the row", {5, 1, 0, 1}, {w, w, w, w, g, g, g, g}},
      {"absolute run past the row", {2, 1, 0, 3, 2, 2, 2, 0, 0, 1}, {w, w, w, w, g, g, b, b}},
      {"delta past the right, then the next row",
       {0, 2, 5, 0, 1, 1, 0, 0, 1, 1, 0, 1},
       {g, w, w, w, w, w, w, w}},
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
