// The Canvas port on the page: each surface is an HTML canvas held by the page's script,
// named by a handle; this side keeps GDI's selection state and hands every drawing call
// over with the pen and brush it uses.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "base/canvas.h"

namespace dz::web {

class WebCanvas : public Canvas {
 public:
  // Takes ownership of the page's surface `handle` (0: a surface without pixels).
  WebCanvas(int handle, std::int32_t width, std::int32_t height);
  ~WebCanvas() override;
  WebCanvas(const WebCanvas&) = delete;
  WebCanvas& operator=(const WebCanvas&) = delete;

  int Handle() const { return handle_; }
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
  int Blend(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h, const Canvas& src,
            std::int32_t sx, std::int32_t sy, std::int32_t sw, std::int32_t sh,
            std::int32_t opacity, COLORREF transparent) override;

 private:
  const Pen& CurrentPen() const { return pens_.back(); }
  const Brush& CurrentBrush() const { return brushes_.back(); }

  int handle_;
  std::int32_t width_;
  std::int32_t height_;
  std::vector<Pen> pens_;
  std::vector<Brush> brushes_;
  int labelFonts_ = 0;
  BackgroundMode mode_ = BackgroundMode::Opaque;
  std::int32_t currentX_ = 0;
  std::int32_t currentY_ = 0;
};

// A fresh page surface of width × height pixels (black, like a new bitmap), or null.
std::unique_ptr<WebCanvas> CreateWebSurface(std::int32_t width, std::int32_t height);

}  // namespace dz::web
