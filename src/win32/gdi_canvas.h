// The GDI canvas: each Canvas operation is one GDI call on a device context. Every pen,
// brush, font, device context and bitmap is held by a small owner, so nothing leaks and
// nothing stays selected when a canvas goes away.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "base/canvas.h"
#include "pictures/keyed_blend.h"

namespace dz::win32 {

// Owns a GDI object (pen, brush, font, bitmap) and deletes it.
class GdiObject {
 public:
  GdiObject() = default;
  explicit GdiObject(HGDIOBJ object) : object_(object) {}
  ~GdiObject() { Reset(); }
  GdiObject(GdiObject&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
  GdiObject& operator=(GdiObject&& other) noexcept {
    if (this != &other) {
      Reset();
      object_ = std::exchange(other.object_, nullptr);
    }
    return *this;
  }
  GdiObject(const GdiObject&) = delete;
  GdiObject& operator=(const GdiObject&) = delete;

  HGDIOBJ Get() const { return object_; }
  explicit operator bool() const { return object_ != nullptr; }
  void Reset() {
    if (object_ != nullptr) DeleteObject(object_);
    object_ = nullptr;
  }

 private:
  HGDIOBJ object_ = nullptr;
};

// Owns a memory device context and deletes it.
class MemoryDc {
 public:
  MemoryDc() = default;
  explicit MemoryDc(HDC dc) : dc_(dc) {}
  ~MemoryDc() {
    if (dc_ != nullptr) DeleteDC(dc_);
  }
  MemoryDc(MemoryDc&& other) noexcept : dc_(std::exchange(other.dc_, nullptr)) {}
  MemoryDc& operator=(MemoryDc&&) = delete;
  MemoryDc(const MemoryDc&) = delete;
  MemoryDc& operator=(const MemoryDc&) = delete;

  HDC Get() const { return dc_; }

 private:
  HDC dc_ = nullptr;
};

// Selects an object into a device context and puts the previous one back when it goes.
// It owns the selected object when given one to own (stock objects are not owned).
class Selection {
 public:
  Selection(HDC dc, GdiObject owned) : dc_(dc), owned_(std::move(owned)) {
    if (owned_) previous_ = SelectObject(dc_, owned_.Get());
  }
  Selection(HDC dc, HGDIOBJ stock) : dc_(dc) { previous_ = SelectObject(dc_, stock); }
  ~Selection() {
    if (dc_ != nullptr && previous_ != nullptr && previous_ != HGDI_ERROR) {
      SelectObject(dc_, previous_);
    }
    // owned_ is deleted after the previous object is back in place.
  }
  Selection(Selection&& other) noexcept
      : dc_(std::exchange(other.dc_, nullptr)),
        owned_(std::move(other.owned_)),
        previous_(std::exchange(other.previous_, nullptr)) {}
  Selection& operator=(Selection&&) = delete;
  Selection(const Selection&) = delete;
  Selection& operator=(const Selection&) = delete;

 private:
  HDC dc_ = nullptr;
  GdiObject owned_;
  HGDIOBJ previous_ = nullptr;
};

// The face of the character labels. "ＭＳ ゴシック" where the system has it; otherwise
// the nearest fixed-pitch code page 932 face found at start-up.
const std::wstring& LabelFace();
// Looks the face up among the installed fonts; called once at start-up.
void ChooseLabelFace();

// A canvas drawing on a device context it does not own (the window's paint context),
// and the base of the memory surfaces.
class GdiCanvas : public Canvas {
 public:
  // width and height: the extent of the pixels behind the context, used to keep block
  // copies inside the source picture; 0 × 0 when unknown or empty.
  GdiCanvas(HDC dc, std::int32_t width, std::int32_t height)
      : dc_(dc), width_(width), height_(height) {}
  ~GdiCanvas() override;

  HDC Dc() const { return dc_; }
  std::int32_t Width() const { return width_; }
  std::int32_t Height() const { return height_; }

  void PushPen(const Pen& pen) override;
  void PopPen() override;
  void PushBrush(const Brush& brush) override;
  void PopBrush() override;
  void PushLabelFont() override;
  void PopFont() override;
  BackgroundMode SetBackgroundMode(BackgroundMode mode) override;
  void Rectangle(std::int32_t left, std::int32_t top, std::int32_t right,
                 std::int32_t bottom) override;
  void Ellipse(std::int32_t left, std::int32_t top, std::int32_t right,
               std::int32_t bottom) override;
  void MoveTo(std::int32_t x, std::int32_t y) override;
  void LineTo(std::int32_t x, std::int32_t y) override;
  void TextAt(std::int32_t x, std::int32_t y, const char* text) override;
  void TextInBox(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom,
                 const char* text) override;
  void CopyFrom(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h, const Canvas* src,
                std::int32_t sx, std::int32_t sy) override;
  // A surface with pixels of its own (a DIB section) and a picture source blend in our
  // own loop over the picture's keyed copy; everything else goes through GDI.
  int Blend(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h, const Canvas& src,
            std::int32_t sx, std::int32_t sy, std::int32_t sw, std::int32_t sh,
            std::int32_t opacity, COLORREF transparent) override;
  void MarkAsPicture() override { picture_ = true; }

  // The platform's own way: a temporary surface with the destination's pixels,
  // TransparentBlt of the picture onto it, AlphaBlend of the whole back at constant opacity.
  int BlendThroughGdi(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h,
                      const GdiCanvas& src, std::int32_t sx, std::int32_t sy, std::int32_t sw,
                      std::int32_t sh, std::int32_t opacity, COLORREF transparent);
  // The keyed copies a picture holds now (one per box size in use, at most kKeyedCopies).
  int KeyedCopies() const { return static_cast<int>(keyed_.size()); }
  bool HasPixels() const { return pixels_ != nullptr; }

 protected:
  // The surface's own 32-bit pixels, top row first, `width` pixels a row.
  void SetPixels(std::uint32_t* pixels) { pixels_ = pixels; }
  // Puts every pen, brush and font still pushed back; the derived surfaces call it before
  // they release their context.
  void ReleaseSelections();

 private:
  // A box beyond kLargestKeyed from a picture enlarged to it: only its part on the surface,
  // with the whole box's pixels; −1 where that does not apply.
  int BlendLargeBox(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h,
                    const GdiCanvas& src, std::int32_t sx, std::int32_t sy, std::int32_t sw,
                    std::int32_t sh, std::int32_t opacity, COLORREF transparent);
  // The source pixel the platform's stretch puts at each destination pixel first .. last − 1.
  static bool StretchMap(std::int32_t to, std::int32_t from, bool columns, std::int32_t first,
                         std::int32_t last, std::vector<std::int32_t>& map);

  // A picture stretched to one box and keyed, with what it was made from.
  struct KeyedCopy {
    std::int32_t w, h, sx, sy, sw, sh;
    COLORREF transparent;
    std::uint32_t lastUse;
    KeyedPicture picture;
  };
  static constexpr std::size_t kKeyedCopies = 2;
  // Keyed copies are kept for boxes up to this size each way (4 MB; the board's pieces are
  // at most 480 pixels wide). A larger box from a pasted code keys only its part on the
  // surface each frame (BlendLargeBox), instead of holding copies of the whole box for good.
  static constexpr std::int32_t kLargestKeyed = 1024;
  // The keyed copy of this picture for the box, made on first use; null when GDI refuses.
  const KeyedPicture* Keyed(std::int32_t w, std::int32_t h, std::int32_t sx, std::int32_t sy,
                            std::int32_t sw, std::int32_t sh, COLORREF transparent) const;
  // Drawing into a surface makes its keyed copies stale.
  void Drawn() {
    if (!keyed_.empty()) keyed_.clear();
  }

  HDC dc_;
  std::int32_t width_;
  std::int32_t height_;
  std::uint32_t* pixels_ = nullptr;
  bool picture_ = false;
  mutable std::vector<KeyedCopy> keyed_;
  mutable std::uint32_t uses_ = 0;
  std::vector<Selection> pens_;
  std::vector<Selection> brushes_;
  std::vector<Selection> fonts_;
};

// A memory surface: a memory device context compatible with the screen, holding a
// bitmap it owns (or no picture at all for an empty surface).
class MemorySurface : public GdiCanvas {
 public:
  // Takes ownership of dc and of bitmap (which may be null), selecting the bitmap.
  // `pixels`: the bitmap's own pixels when it is a 32-bit top-down DIB section.
  MemorySurface(MemoryDc dc, GdiObject bitmap, std::int32_t width, std::int32_t height,
                std::uint32_t* pixels = nullptr);
  ~MemorySurface() override;

 private:
  MemoryDc dc_;
  // Declared after dc_: the bitmap is deselected (and then deleted) before the context.
  Selection bitmap_;
};

// A memory surface with a fresh bitmap of width × height compatible with `reference`
// (the screen when null). Null when GDI refuses.
std::unique_ptr<MemorySurface> CreateBitmapSurface(HDC reference, std::int32_t width,
                                                   std::int32_t height);
// A memory surface holding a 32-bit DIB section of width × height, whose pixels the
// canvas reaches directly (the board's surfaces). Null when GDI refuses.
std::unique_ptr<MemorySurface> CreateDibSurface(HDC reference, std::int32_t width,
                                                std::int32_t height);
// A memory surface with no picture of its own.
std::unique_ptr<MemorySurface> CreateEmptyMemorySurface();
// A memory surface holding `bitmap` (owned from then on); null when bitmap is null.
std::unique_ptr<MemorySurface> SurfaceFromBitmap(HBITMAP bitmap, std::int32_t* width,
                                                 std::int32_t* height);

}  // namespace dz::win32
