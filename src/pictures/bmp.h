// A strict reader of BMP pictures: the bytes of a .bmp file, or a packed DIB (info header,
// colour table and pixels, as a bitmap resource holds it), become a picture of top-down
// 0x00RRGGBB pixels, or a refusal saying why.
//
// Read: 1, 4, 8, 16, 24 and 32 bits per pixel; RLE8 and RLE4 (with deltas, end of line and
// end of bitmap); bit fields (three masks, or four with alpha) of any contiguous widths,
// each channel scaled exactly to 8 bits; the OS/2 1.x core header (12 bytes), OS/2 2.x
// headers (16 to 64 bytes) and the Windows headers of 40, 52, 56, 108 (V4) and 124 (V5)
// bytes; bottom-up and top-down rows.
//
// Alpha: a picture has an alpha channel when it declares one (an alpha mask, in the header
// or as the fourth bit field) or when it is a 32-bit picture without compression (the top
// byte of each pixel). The channel counts only if at least one pixel's alpha is not 0: a
// writer that leaves the byte zero means an opaque picture, as Windows itself shows it.
// A counted alpha channel is composited over white, so a fully transparent pixel becomes
// white (the board's transparent colour).
//
// Pixels that an RLE stream skips (deltas, early ends of line or of the bitmap) are white,
// that is, transparent on the board. Pixels an RLE stream puts beyond the right edge are
// dropped: common writers encode each row's padding as pixels too.
//
// Refused: anything cut short, dimensions of 0, a negative width, pictures beyond the size
// bounds below, planes other than 1, bit counts other than the above (2 and 64 among
// them), compressed top-down pictures, all-zero, overlapping or scattered masks, masks
// outside the pixel's bits, a pixel offset inside the headers or beyond the data, embedded
// JPEG or PNG, OS/2 Huffman and RLE24 compression, RLE streams that move above the top row
// or end (without an end mark) before their last row, and palette indices beyond the
// colour table.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace dz {

// Why a picture was refused; Ok when it was read.
enum class BmpStatus {
  Ok,
  NotBmp,          // no "BM" signature, or shorter than the file header
  BadHeaderSize,   // an info header size no format has
  HeaderCut,       // the data ends inside the headers, the masks or the colour table
  BadDimensions,   // width or height 0, or a negative width
  TooLarge,        // beyond kMaxBmpSide or kMaxBmpPixels
  BadPlanes,       // planes other than 1
  BadBitCount,     // a bit count this format does not have (2, 64, 7, ...)
  BadCompression,  // an unknown method, or one that does not fit the bit count or rows
  Unsupported,     // embedded JPEG or PNG, OS/2 Huffman or RLE24
  BadMasks,        // bit-field masks all zero, overlapping, scattered or too wide
  BadPalette,      // a picture of 1 to 8 bits without any colour table
  BadPixelOffset,  // the pixels would start inside the headers or beyond the data
  PixelsCut,       // the data ends before the last row of pixels
  BadRle,          // an RLE stream that runs above the picture or past the data
  BadIndex,        // a palette index beyond the colour table
  NoMemory,        // the pixels could not be allocated
};

// The largest picture read: each side at most kMaxBmpSide, and at most kMaxBmpPixels
// pixels in all (256 MB of decoded pixels; the board shows 800 × 620 of a background).
constexpr std::int32_t kMaxBmpSide = 32768;
constexpr std::int64_t kMaxBmpPixels = std::int64_t{1} << 26;

// The pixels of a picture in one block. The block is asked for without throwing, so a
// picture too large for the memory left is refused with a status in every build, including
// the program's, which is built without exceptions.
class BmpPixels {
 public:
  using value_type = std::uint32_t;
  using iterator = std::uint32_t*;
  using const_iterator = const std::uint32_t*;

  // count pixels of `value`; false (and no pixels) when the memory cannot be had.
  [[nodiscard]] bool assign(std::size_t count, std::uint32_t value);
  void clear() {
    data_.reset();
    size_ = 0;
  }

  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  std::uint32_t* data() { return data_.get(); }
  const std::uint32_t* data() const { return data_.get(); }
  std::uint32_t* begin() { return data(); }
  std::uint32_t* end() { return data() + size_; }
  const std::uint32_t* begin() const { return data(); }
  const std::uint32_t* end() const { return data() + size_; }
  std::uint32_t& operator[](std::size_t i) { return data_[i]; }
  const std::uint32_t& operator[](std::size_t i) const { return data_[i]; }

 private:
  std::unique_ptr<std::uint32_t[]> data_;
  std::size_t size_ = 0;
};

bool operator==(const BmpPixels& a, const BmpPixels& b);
bool operator==(const BmpPixels& a, const std::vector<std::uint32_t>& b);
inline bool operator!=(const BmpPixels& a, const BmpPixels& b) {
  return !(a == b);
}

struct BmpPicture {
  std::int32_t width = 0;
  std::int32_t height = 0;
  // width × height pixels, row by row from the top, each 0x00RRGGBB.
  BmpPixels pixels;
};

// Reads a whole .bmp file. On a refusal `picture` is left empty (0 × 0, no pixels).
// `maxPixels` lowers the bound on the pixel count (never raises it beyond kMaxBmpPixels).
BmpStatus ReadBmpFile(const std::uint8_t* data, std::size_t size, BmpPicture* picture,
                      std::int64_t maxPixels = kMaxBmpPixels);
// Reads a packed DIB: the info header, then the masks and colour table, then the pixels.
BmpStatus ReadPackedDib(const std::uint8_t* data, std::size_t size, BmpPicture* picture,
                        std::int64_t maxPixels = kMaxBmpPixels);

// A short English name of a status, for checks and diagnostics.
const char* BmpStatusName(BmpStatus status);

}  // namespace dz
