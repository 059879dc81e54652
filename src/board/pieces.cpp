#include "board/pieces.h"

#include <cstdio>

#include "board/board.h"

namespace dz {

void StoreName(char (&field)[kNameBytes + 1], const char* text) {
  int n = 0;
  if (text != nullptr) {
    while (text[n] != '\0') {
      int step = 1;
      if (IsLeadByte(static_cast<unsigned char>(text[n]))) {
        if (text[n + 1] == '\0') break;  // half a character at the end: leave it out
        step = 2;
      }
      if (n + step > kNameBytes) break;
      n += step;
    }
  }
  for (int i = 0; i <= kNameBytes; ++i) field[i] = (i < n) ? text[i] : '\0';
}

void FormatLoadFailure(char (&message)[kLoadFailureSize], const char* name) {
  const int n = std::snprintf(message, sizeof message, "%sの読み込みに失敗しました", name);
  if (n < static_cast<int>(sizeof message)) return;
  // Cut: drop a lead byte whose trail byte fell off the end.
  int i = 0;
  int last = 0;
  while (message[i] != '\0') {
    last = i;
    i += (IsLeadByte(static_cast<unsigned char>(message[i])) && message[i + 1] != '\0') ? 2 : 1;
  }
  if (i - last == 1 && IsLeadByte(static_cast<unsigned char>(message[last]))) message[last] = '\0';
}

void Marker::LoadBitmapFile(const char* name) {
  image.reset();
  std::int32_t w = 0;
  std::int32_t h = 0;
  std::unique_ptr<Canvas> picture = ports.pictures->LoadPicture(name, &w, &h);
  if (picture) {
    bitmap.bmWidth = w;
    bitmap.bmHeight = h;
    image = std::move(picture);
    return;
  }
  char message[kLoadFailureSize];
  FormatLoadFailure(message, name);
  ports.messages->ShowError(message);
  image = ports.pictures->CreateEmptySurface();
}

void Marker::Clear() {
  image.reset();
  color = 0;
  x = 0;
  y = 0;
  width = 0;
  height = 0;
}

void Area::SetRadius(std::int32_t r) {
  const std::int32_t d = Mul32(Sub32(r, radius), gridSize);
  x = Sub32(x, d);
  y = Sub32(y, d);
  radius = r;
  width = Mul32(Mul32(r, gridSize), 2);
  height = width;
}

}  // namespace dz
