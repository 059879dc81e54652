// Feeds arbitrary bytes to the BMP reader, as a file and as a packed DIB (the bytes
// themselves, and what follows a file header), and checks what it gives: a refusal leaves
// an empty picture; a picture has the size it states, inside the bounds, and every pixel
// is 0x00RRGGBB; reading the same bytes again gives the same picture.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "pictures/bmp.h"

namespace {

// Large pictures are sound too, but filling 256 MB per input would starve the search.
constexpr std::int64_t kFuzzPixels = std::int64_t{1} << 20;

void Fail(const char* what) {
  std::fprintf(stderr, "bmp_fuzz: %s\n", what);
  std::abort();
}

void Check(dz::BmpStatus status, const dz::BmpPicture& p) {
  if (status != dz::BmpStatus::Ok) {
    if (p.width != 0 || p.height != 0 || !p.pixels.empty()) Fail("a refusal left pixels");
    return;
  }
  if (p.width <= 0 || p.height <= 0 || p.width > dz::kMaxBmpSide || p.height > dz::kMaxBmpSide) {
    Fail("size out of bounds");
  }
  const std::int64_t count = static_cast<std::int64_t>(p.width) * p.height;
  if (count > kFuzzPixels || p.pixels.size() != static_cast<std::size_t>(count)) {
    Fail("pixel count");
  }
  for (std::uint32_t pixel : p.pixels) {
    if ((pixel >> 24) != 0) Fail("a pixel with a top byte");
  }
}

template <typename Reader>
void Run(Reader read, const std::uint8_t* data, std::size_t size) {
  dz::BmpPicture first;
  const dz::BmpStatus status = read(data, size, &first, kFuzzPixels);
  Check(status, first);
  dz::BmpPicture second;
  if (read(data, size, &second, kFuzzPixels) != status || second.pixels != first.pixels) {
    Fail("a second reading differs");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Run(dz::ReadBmpFile, data, size);
  Run(dz::ReadPackedDib, data, size);
  if (size >= 14) Run(dz::ReadPackedDib, data + 14, size - 14);
  return 0;
}
