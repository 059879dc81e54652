#include "pictures/bmp.h"

#include <algorithm>
#include <new>

namespace dz {
namespace {

constexpr std::uint32_t kWhitePixel = 0x00FFFFFF;
constexpr std::size_t kFileHeaderSize = 14;

std::uint32_t U16(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8;
}
std::uint32_t U32(const std::uint8_t* p) {
  return U16(p) | U16(p + 2) << 16;
}
std::int32_t I32(const std::uint8_t* p) {
  return static_cast<std::int32_t>(U32(p));
}

enum class HeaderKind { Core, Os2, Windows };
enum class Method { Rgb, Rle8, Rle4, Fields };

// One colour channel of a bit-field pixel: where its bits are and how many.
struct Channel {
  std::uint32_t mask = 0;
  int shift = 0;
  int bits = 0;  // 0: the channel is absent and reads as 0

  // The channel of `pixel`, scaled exactly to 0..255 (rounded to the nearest).
  std::uint32_t Read(std::uint32_t pixel) const {
    if (bits == 0) return 0;
    const std::uint32_t value = (pixel & mask) >> shift;
    if (bits == 8) return value;
    const std::uint64_t top = (std::uint64_t{1} << bits) - 1;
    // top is odd, so the quotient is never exactly halfway between two integers.
    return static_cast<std::uint32_t>((std::uint64_t{value} * 255 + top / 2) / top);
  }
};

// False for a mask whose bits are not one contiguous run.
bool MakeChannel(std::uint32_t mask, Channel* channel) {
  channel->mask = mask;
  if (mask == 0) return true;
  int shift = 0;
  while (((mask >> shift) & 1u) == 0) ++shift;
  const std::uint32_t run = mask >> shift;
  if ((run & (run + 1)) != 0 && run != 0xFFFFFFFFu) return false;
  int bits = 0;
  while (bits < 32 && ((run >> bits) & 1u) != 0) ++bits;
  channel->shift = shift;
  channel->bits = bits;
  return true;
}

// Everything the headers say about the pixels.
struct Layout {
  std::int32_t width = 0;
  std::int32_t height = 0;  // rows, always positive
  bool topDown = false;
  int bits = 0;
  Method method = Method::Rgb;
  Channel red, green, blue, alpha;
  std::uint32_t palette[256] = {};
  std::uint32_t paletteEntries = 0;
};

BmpStatus MethodOf(HeaderKind kind, std::uint32_t compression, Method* method) {
  switch (compression) {
    case 0:
      *method = Method::Rgb;
      return BmpStatus::Ok;
    case 1:
      *method = Method::Rle8;
      return BmpStatus::Ok;
    case 2:
      *method = Method::Rle4;
      return BmpStatus::Ok;
    case 3:  // bit fields; OS/2: Huffman 1D
    case 4:  // embedded JPEG; OS/2: RLE24
      if (kind == HeaderKind::Os2 || compression == 4) return BmpStatus::Unsupported;
      *method = Method::Fields;
      return BmpStatus::Ok;
    case 5:  // embedded PNG
      return kind == HeaderKind::Os2 ? BmpStatus::BadCompression : BmpStatus::Unsupported;
    case 6:  // bit fields with alpha
      if (kind == HeaderKind::Os2) return BmpStatus::BadCompression;
      *method = Method::Fields;
      return BmpStatus::Ok;
    default:
      return BmpStatus::BadCompression;
  }
}

bool IsBitCount(HeaderKind kind, int bits) {
  switch (bits) {
    case 1:
    case 4:
    case 8:
    case 24:
      return true;
    case 16:
    case 32:
      return kind != HeaderKind::Core;
    default:
      return false;
  }
}

// Fills `out` with the white background and the size of the picture.
BmpStatus Allocate(const Layout& layout, BmpPicture* out) {
  if (!out->pixels.assign(static_cast<std::size_t>(layout.width) * layout.height, kWhitePixel)) {
    return BmpStatus::NoMemory;
  }
  out->width = layout.width;
  out->height = layout.height;
  return BmpStatus::Ok;
}

// The row of the picture (from the top) that the file's row `fileRow` fills.
std::size_t PictureRow(const Layout& layout, std::int32_t fileRow) {
  return static_cast<std::size_t>(layout.topDown ? fileRow : layout.height - 1 - fileRow);
}

BmpStatus ReadUncompressed(const Layout& layout, const std::uint8_t* data, std::size_t size,
                           BmpPicture* out) {
  const std::uint64_t rowBits = static_cast<std::uint64_t>(layout.width) * layout.bits;
  const std::uint64_t stride = (rowBits + 31) / 32 * 4;
  // The last row may go without its padding.
  const std::uint64_t needed = stride * (layout.height - 1) + (rowBits + 7) / 8;
  if (needed > size) return BmpStatus::PixelsCut;
  const BmpStatus allocated = Allocate(layout, out);
  if (allocated != BmpStatus::Ok) return allocated;

  for (std::int32_t r = 0; r < layout.height; ++r) {
    const std::uint8_t* row = data + stride * static_cast<std::uint64_t>(r);
    std::uint32_t* dst = &out->pixels[PictureRow(layout, r) * layout.width];
    for (std::int32_t x = 0; x < layout.width; ++x) {
      std::uint32_t pixel = 0;
      switch (layout.bits) {
        case 1:
        case 4:
        case 8: {
          const std::uint64_t bit = static_cast<std::uint64_t>(x) * layout.bits;
          const std::uint32_t byte = row[bit / 8];
          const std::uint32_t index =
              (byte >> (8 - layout.bits - bit % 8)) & ((1u << layout.bits) - 1);
          if (index >= layout.paletteEntries) return BmpStatus::BadIndex;
          pixel = layout.palette[index];
          break;
        }
        case 24: {
          const std::uint8_t* p = row + 3 * static_cast<std::size_t>(x);
          pixel =
              static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[1]) << 8 | p[0];
          break;
        }
        default: {
          const std::uint32_t raw = layout.bits == 16 ? U16(row + 2 * static_cast<std::size_t>(x))
                                                      : U32(row + 4 * static_cast<std::size_t>(x));
          pixel = layout.alpha.Read(raw) << 24 | layout.red.Read(raw) << 16 |
                  layout.green.Read(raw) << 8 | layout.blue.Read(raw);
          break;
        }
      }
      dst[x] = pixel;
    }
  }
  return BmpStatus::Ok;
}

// RLE8 and RLE4, always bottom-up. The stream must stay inside its data and must not move
// above the top row; it ends with the end-of-bitmap mark, or when its last row is done.
BmpStatus ReadRle(const Layout& layout, const std::uint8_t* data, std::size_t size,
                  BmpPicture* out) {
  const BmpStatus allocated = Allocate(layout, out);
  if (allocated != BmpStatus::Ok) return allocated;
  const bool four = layout.method == Method::Rle4;
  std::int32_t x = 0;
  std::int32_t y = 0;  // the file's row, from the bottom
  std::size_t pos = 0;
  // Pixels beyond the right edge are dropped: writers encode a row's padding too.
  auto put = [&](std::uint32_t index) {
    if (index >= layout.paletteEntries) return false;
    if (x < layout.width) {
      out->pixels[PictureRow(layout, y) * layout.width + static_cast<std::size_t>(x)] =
          layout.palette[index];
      ++x;
    }
    return true;
  };
  while (y < layout.height) {
    if (size - pos < 2) return BmpStatus::BadRle;
    const std::uint32_t count = data[pos];
    const std::uint32_t value = data[pos + 1];
    pos += 2;
    if (count > 0) {  // a run of one index (RLE4: two alternating indices)
      for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint32_t index = !four ? value : (i % 2 == 0 ? value >> 4 : value & 15);
        if (!put(index)) return BmpStatus::BadIndex;
      }
    } else if (value == 0) {  // end of line
      x = 0;
      ++y;
    } else if (value == 1) {  // end of bitmap
      break;
    } else if (value == 2) {  // delta: move right and up, leaving the pixels between
      if (size - pos < 2) return BmpStatus::BadRle;
      const std::int32_t dx = data[pos];
      const std::int32_t dy = data[pos + 1];
      pos += 2;
      if (dy >= layout.height - y) return BmpStatus::BadRle;
      x = std::min(x + dx, layout.width);
      y += dy;
    } else {  // absolute: `value` indices as they are, padded to a 16-bit boundary
      const std::size_t bytes = four ? (value + 1) / 2 : value;
      const std::size_t padded = bytes + (bytes & 1);
      if (size - pos < padded) return BmpStatus::BadRle;
      for (std::uint32_t i = 0; i < value; ++i) {
        const std::uint32_t byte = data[pos + (four ? i / 2 : i)];
        const std::uint32_t index = !four ? byte : (i % 2 == 0 ? byte >> 4 : byte & 15);
        if (!put(index)) return BmpStatus::BadIndex;
      }
      pos += padded;
    }
  }
  return BmpStatus::Ok;
}

// Composites a counted alpha channel (in the top byte) over white, and clears the top byte.
void CompositeOverWhite(BmpPicture* out) {
  bool any = false;
  for (std::uint32_t p : out->pixels) any = any || (p >> 24) != 0;
  for (std::uint32_t& p : out->pixels) {
    const std::uint32_t a = any ? p >> 24 : 255;
    std::uint32_t result = 0;
    for (int shift = 0; shift < 24; shift += 8) {
      const std::uint32_t c = (p >> shift) & 255;
      result |= ((c * a + 255 * (255 - a) + 127) / 255) << shift;
    }
    p = result;
  }
}

// Reads a DIB of `size` bytes. With `pixelOffset` (a file's), the pixels start that many
// bytes into the DIB; without it (a packed DIB) they follow the colour table.
BmpStatus ReadDib(const std::uint8_t* dib, std::size_t size, const std::uint64_t* pixelOffset,
                  std::int64_t maxPixels, BmpPicture* out) {
  if (size < 4) return BmpStatus::HeaderCut;
  const std::uint32_t headerSize = U32(dib);
  HeaderKind kind;
  if (headerSize == 12) {
    kind = HeaderKind::Core;
  } else if (headerSize == 40 || headerSize == 52 || headerSize == 56 || headerSize == 108 ||
             headerSize == 124) {
    kind = HeaderKind::Windows;
  } else if (headerSize >= 16 && headerSize <= 64 && headerSize % 2 == 0) {
    kind = HeaderKind::Os2;
  } else {
    return BmpStatus::BadHeaderSize;
  }
  if (size < headerSize) return BmpStatus::HeaderCut;

  Layout layout;
  std::int64_t width;
  std::int64_t height;
  std::uint32_t planes;
  std::uint32_t compression = 0;
  std::uint32_t colorsUsed = 0;
  if (kind == HeaderKind::Core) {
    width = U16(dib + 4);
    height = U16(dib + 6);
    planes = U16(dib + 8);
    layout.bits = static_cast<int>(U16(dib + 10));
  } else {
    width = I32(dib + 4);
    height = I32(dib + 8);
    planes = U16(dib + 12);
    layout.bits = static_cast<int>(U16(dib + 14));
    if (headerSize >= 20) compression = U32(dib + 16);
    if (headerSize >= 36) colorsUsed = U32(dib + 32);
  }
  if (planes != 1) return BmpStatus::BadPlanes;
  const BmpStatus method = MethodOf(kind, compression, &layout.method);
  if (method != BmpStatus::Ok) return method;
  if (!IsBitCount(kind, layout.bits)) return BmpStatus::BadBitCount;
  if ((layout.method == Method::Rle8 && layout.bits != 8) ||
      (layout.method == Method::Rle4 && layout.bits != 4) ||
      (layout.method == Method::Fields && layout.bits != 16 && layout.bits != 32)) {
    return BmpStatus::BadCompression;
  }

  if (width <= 0 || height == 0) return BmpStatus::BadDimensions;
  layout.topDown = height < 0;
  if (layout.topDown) height = -height;
  if (layout.topDown && (layout.method == Method::Rle8 || layout.method == Method::Rle4)) {
    return BmpStatus::BadCompression;
  }
  if (width > kMaxBmpSide || height > kMaxBmpSide ||
      width * height > std::min(maxPixels, kMaxBmpPixels)) {
    return BmpStatus::TooLarge;
  }
  layout.width = static_cast<std::int32_t>(width);
  layout.height = static_cast<std::int32_t>(height);

  // The masks: in the header as far as it holds them, the rest right after it.
  std::uint64_t tableStart = headerSize;
  std::uint32_t masks[4] = {};
  if (layout.method == Method::Fields) {
    const std::uint32_t wanted = compression == 6 ? 4 : 3;
    const std::uint32_t inHeader = headerSize >= 56 ? 4 : headerSize >= 52 ? 3 : 0;
    for (std::uint32_t i = 0; i < 4; ++i) {
      if (i < inHeader) {
        masks[i] = U32(dib + 40 + 4 * i);
      } else if (i < wanted) {
        if (size < tableStart + 4) return BmpStatus::HeaderCut;
        masks[i] = U32(dib + tableStart);
        tableStart += 4;
      }
    }
    const std::uint32_t all = masks[0] | masks[1] | masks[2] | masks[3];
    bool overlap = false;
    for (int i = 0; i < 4; ++i) {
      for (int j = i + 1; j < 4; ++j) overlap = overlap || (masks[i] & masks[j]) != 0;
    }
    if ((masks[0] | masks[1] | masks[2]) == 0 || overlap ||
        (layout.bits == 16 && (all >> 16) != 0)) {
      return BmpStatus::BadMasks;
    }
  } else if (layout.bits == 16) {
    masks[0] = 0x7C00;
    masks[1] = 0x03E0;
    masks[2] = 0x001F;
  } else if (layout.bits == 32) {
    masks[0] = 0x00FF0000;
    masks[1] = 0x0000FF00;
    masks[2] = 0x000000FF;
    masks[3] = 0xFF000000;
  }
  if (!MakeChannel(masks[0], &layout.red) || !MakeChannel(masks[1], &layout.green) ||
      !MakeChannel(masks[2], &layout.blue) || !MakeChannel(masks[3], &layout.alpha)) {
    return BmpStatus::BadMasks;
  }

  // The colour table, and where the pixels start.
  const std::uint32_t entrySize = kind == HeaderKind::Core ? 3 : 4;
  std::uint64_t declared = colorsUsed;
  std::uint64_t usable = 0;
  if (layout.bits <= 8) {
    const std::uint64_t most = std::uint64_t{1} << layout.bits;
    if (declared == 0 || kind == HeaderKind::Core) declared = most;
    usable = std::min(declared, most);
    // A packed DIB's pixels follow the whole declared table: one longer than its bit
    // count allows leaves nothing to tell where they start.
    if (pixelOffset == nullptr && declared > most) return BmpStatus::BadPalette;
  }
  std::uint64_t pixelStart;
  if (pixelOffset != nullptr) {
    pixelStart = *pixelOffset;
    if (pixelStart < tableStart || pixelStart > size) return BmpStatus::BadPixelOffset;
    // A file's table may be shorter than declared (OS/2 files often are): what lies before
    // the pixels is the table.
    usable = std::min(usable, (pixelStart - tableStart) / entrySize);
  } else {
    pixelStart = tableStart + declared * entrySize;
    if (pixelStart > size) return BmpStatus::HeaderCut;
  }
  if (layout.bits <= 8 && usable == 0) return BmpStatus::BadPalette;
  layout.paletteEntries = static_cast<std::uint32_t>(usable);
  for (std::uint32_t i = 0; i < layout.paletteEntries; ++i) {
    const std::uint8_t* e = dib + tableStart + static_cast<std::uint64_t>(i) * entrySize;
    layout.palette[i] =
        static_cast<std::uint32_t>(e[2]) << 16 | static_cast<std::uint32_t>(e[1]) << 8 | e[0];
  }

  const std::uint8_t* pixels = dib + pixelStart;
  const std::size_t available = size - static_cast<std::size_t>(pixelStart);
  const BmpStatus read = layout.method == Method::Rle8 || layout.method == Method::Rle4
                             ? ReadRle(layout, pixels, available, out)
                             : ReadUncompressed(layout, pixels, available, out);
  if (read != BmpStatus::Ok) return read;
  if (layout.alpha.bits > 0) CompositeOverWhite(out);
  return BmpStatus::Ok;
}

BmpStatus Finish(BmpStatus status, BmpPicture* picture) {
  if (status != BmpStatus::Ok) *picture = BmpPicture{};
  return status;
}

}  // namespace

bool BmpPixels::assign(std::size_t count, std::uint32_t value) {
  clear();
  if (count == 0) return true;
  data_.reset(new (std::nothrow) std::uint32_t[count]);
  if (!data_) return false;
  size_ = count;
  std::fill(begin(), end(), value);
  return true;
}

bool operator==(const BmpPixels& a, const BmpPixels& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end());
}

bool operator==(const BmpPixels& a, const std::vector<std::uint32_t>& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end());
}

BmpStatus ReadBmpFile(const std::uint8_t* data, std::size_t size, BmpPicture* picture,
                      std::int64_t maxPixels) {
  *picture = BmpPicture{};
  if (data == nullptr || size < kFileHeaderSize || data[0] != 'B' || data[1] != 'M') {
    return BmpStatus::NotBmp;
  }
  // The file's own size field is often wrong in real files; the data's size is what counts.
  const std::uint32_t offset = U32(data + 10);
  if (offset < kFileHeaderSize) return BmpStatus::BadPixelOffset;
  const std::uint64_t pixelOffset = offset - kFileHeaderSize;
  return Finish(
      ReadDib(data + kFileHeaderSize, size - kFileHeaderSize, &pixelOffset, maxPixels, picture),
      picture);
}

BmpStatus ReadPackedDib(const std::uint8_t* data, std::size_t size, BmpPicture* picture,
                        std::int64_t maxPixels) {
  *picture = BmpPicture{};
  if (data == nullptr) return BmpStatus::HeaderCut;
  return Finish(ReadDib(data, size, nullptr, maxPixels, picture), picture);
}

const char* BmpStatusName(BmpStatus status) {
  switch (status) {
    case BmpStatus::Ok:
      return "ok";
    case BmpStatus::NotBmp:
      return "not a BMP file";
    case BmpStatus::BadHeaderSize:
      return "unknown header size";
    case BmpStatus::HeaderCut:
      return "headers cut short";
    case BmpStatus::BadDimensions:
      return "bad dimensions";
    case BmpStatus::TooLarge:
      return "too large";
    case BmpStatus::BadPlanes:
      return "planes not 1";
    case BmpStatus::BadBitCount:
      return "bad bit count";
    case BmpStatus::BadCompression:
      return "bad compression";
    case BmpStatus::Unsupported:
      return "unsupported compression";
    case BmpStatus::BadMasks:
      return "bad bit-field masks";
    case BmpStatus::BadPalette:
      return "bad colour table";
    case BmpStatus::BadPixelOffset:
      return "bad pixel offset";
    case BmpStatus::PixelsCut:
      return "pixels cut short";
    case BmpStatus::BadRle:
      return "bad RLE stream";
    case BmpStatus::BadIndex:
      return "palette index beyond the table";
    case BmpStatus::NoMemory:
      return "out of memory";
  }
  return "?";
}

}  // namespace dz
