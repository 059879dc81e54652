// The pieces of the board: a box in board pixels carrying a picture or a fill colour.
#pragma once

#include <cstdint>
#include <memory>

#include "base/canvas.h"
#include "base/cp932.h"
#include "base/int32.h"
#include "board/ports.h"

namespace dz {

// The side of a character's box, and of an area's box for a radius in metres, at the
// current grid size.
std::int32_t CharacterSize();
std::int32_t AreaSize(std::int32_t radius);

// Size of a loaded picture; the source size when the picture is blended.
struct BitmapInfo {
  std::int32_t bmWidth = 0;
  std::int32_t bmHeight = 0;
};

class Marker {
 public:
  Marker() = default;
  ~Marker() = default;
  Marker(Marker&&) = default;
  Marker& operator=(Marker&&) = default;
  Marker(const Marker&) = delete;
  Marker& operator=(const Marker&) = delete;

  // Releases the previous picture, then loads `name` as a resource of the program or
  // else as a file. When both fail the user is told and the piece still gets an empty
  // surface, so it counts as active but shows no picture.
  void LoadBitmapFile(const char* name);

  void SetColor(COLORREF c) { color = c; }
  COLORREF GetColor() const { return color; }
  void SetPosition(std::int32_t px, std::int32_t py) {
    x = px;
    y = py;
  }
  Point GetPosition() const { return Point{x, y}; }
  void SetWidth(std::int32_t w) { width = w; }
  std::int32_t GetWidth() const { return width; }
  void SetHeight(std::int32_t h) { height = h; }
  std::int32_t GetHeight() const { return height; }
  void SetAlpha(std::int32_t a) { alpha = a; }
  // Centre of the box, halves truncated toward zero.
  Point GetCenter() const { return Point{Add32(x, width / 2), Add32(y, height / 2)}; }
  // Strict point-in-box test: a point on an edge is outside.
  bool Contains(std::int32_t px, std::int32_t py) const {
    return x < px && px < Add32(x, width) && y < py && py < Add32(y, height);
  }
  bool IsActive() const { return image != nullptr || color != 0; }
  // Takes the piece off the board; keeps the picture size, opacity and what the derived
  // classes hold (name, melee flag, radius).
  void Clear();

  // Read access for drawing code and tests.
  const Canvas* Image() const { return image.get(); }
  const BitmapInfo& Bitmap() const { return bitmap; }
  std::int32_t Alpha() const { return alpha; }

 protected:
  std::unique_ptr<Canvas> image;
  COLORREF color = 0;
  std::int32_t x = 0;
  std::int32_t y = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;
  BitmapInfo bitmap;
  std::int32_t alpha = 255;
};

// Longest name a character stores, in bytes of code page 932 text.
constexpr int kNameBytes = 3;

// Copies `text` into a name field: at most kNameBytes bytes, cut after the last whole
// character that fits (a double-byte character is never split), then a terminator.
// A null text stores the empty name.
void StoreName(char (&field)[kNameBytes + 1], const char* text);

// Size of the buffer of the picture failure message.
constexpr int kLoadFailureSize = 100;

// "%sの読み込みに失敗しました" with the picture's name. A name too long for the buffer is
// cut after its last whole character.
void FormatLoadFailure(char (&message)[kLoadFailureSize], const char* name);

class Character : public Marker {
 public:
  Character() { alpha = 255; }

  void SetName(const char* text) { StoreName(name, text); }
  const char* GetName() const { return name; }
  void SetMelee(std::int32_t flag) { melee = flag; }
  std::int32_t IsMelee() const { return melee; }

 private:
  char name[kNameBytes + 1] = {};
  std::int32_t melee = 0;
};

class Area : public Marker {
 public:
  Area() { alpha = 100; }

  // Changes the radius (metres) about the area's centre at the current grid size.
  void SetRadius(std::int32_t r);
  std::int32_t GetRadius() const { return radius; }

 private:
  std::int32_t radius = 0;
};

}  // namespace dz
