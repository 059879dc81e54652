#include "board/pieces.h"

#include <cstdio>

#include "board/board.h"

namespace dz {

std::int32_t CharacterSize() {
  return gridSize;
}

std::int32_t AreaSize(std::int32_t radius) {
  return Mul32(Mul32(radius, gridSize), 2);
}

void StoreName(char (&field)[kNameBytes + 1], const char* text) {
  const int n = WholeCharacterPrefix(text, kNameBytes);
  for (int i = 0; i <= kNameBytes; ++i) field[i] = (i < n) ? text[i] : '\0';
}

void FormatLoadFailure(char (&message)[kLoadFailureSize], const char* name) {
  // "%sの読み込みに失敗しました", as code page 932 bytes in every build.
  const int n = std::snprintf(message, sizeof message,
                              "%s\x82\xcc\x93\xc7\x82\xdd\x8d\x9e\x82\xdd\x82\xc9\x8e\xb8"
                              "\x94s\x82\xb5\x82\xdc\x82\xb5\x82\xbd",
                              name);
  if (n < static_cast<int>(sizeof message)) return;
  // Cut after the last whole character: a lead byte whose trail byte fell off goes too.
  message[WholeCharacterPrefix(message, kLoadFailureSize - 1)] = '\0';
}

void Marker::LoadBitmapFile(const char* name) {
  image.reset();
  std::int32_t w = 0;
  std::int32_t h = 0;
  std::unique_ptr<Canvas> picture = ports.pictures->LoadPicture(name, &w, &h);
  if (picture) {
    bitmap.bmWidth = w;
    bitmap.bmHeight = h;
    picture->MarkAsPicture();
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
  width = AreaSize(r);
  height = width;
}

}  // namespace dz
