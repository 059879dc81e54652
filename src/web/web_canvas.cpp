#include "web/web_canvas.h"

#include <string>

#include "web/page.h"
#include "web/text.h"

namespace dz::web {

namespace {

constexpr Pen kDefaultPen{PenStyle::Solid, 1, kBlack};
constexpr Brush kDefaultBrush{BrushKind::Solid, kWhite};

}  // namespace

WebCanvas::WebCanvas(int handle, std::int32_t width, std::int32_t height)
    : handle_(handle), width_(width), height_(height) {
  pens_.push_back(kDefaultPen);
  brushes_.push_back(kDefaultBrush);
}

WebCanvas::~WebCanvas() {
  if (handle_ != 0) page::FreeSurface(handle_);
}

void WebCanvas::PushPen(const Pen& pen) {
  pens_.push_back(pen);
}

void WebCanvas::PopPen() {
  if (pens_.size() > 1) pens_.pop_back();
}

void WebCanvas::PushBrush(const Brush& brush) {
  brushes_.push_back(brush);
}

void WebCanvas::PopBrush() {
  if (brushes_.size() > 1) brushes_.pop_back();
}

void WebCanvas::PushLabelFont() {
  ++labelFonts_;
}

void WebCanvas::PopFont() {
  if (labelFonts_ > 0) --labelFonts_;
}

BackgroundMode WebCanvas::SetBackgroundMode(BackgroundMode mode) {
  const BackgroundMode previous = mode_;
  mode_ = mode;
  return previous;
}

void WebCanvas::Rectangle(std::int32_t left, std::int32_t top, std::int32_t right,
                          std::int32_t bottom) {
  if (handle_ == 0) return;
  page::Shape(handle_, page::ShapeKind::Rectangle, left, top, right, bottom, CurrentPen(),
              CurrentBrush());
}

void WebCanvas::Ellipse(std::int32_t left, std::int32_t top, std::int32_t right,
                        std::int32_t bottom) {
  if (handle_ == 0) return;
  page::Shape(handle_, page::ShapeKind::Ellipse, left, top, right, bottom, CurrentPen(),
              CurrentBrush());
}

void WebCanvas::MoveTo(std::int32_t x, std::int32_t y) {
  currentX_ = x;
  currentY_ = y;
}

void WebCanvas::LineTo(std::int32_t x, std::int32_t y) {
  if (handle_ != 0) {
    page::Line(handle_, currentX_, currentY_, x, y, CurrentPen(), mode_ == BackgroundMode::Opaque);
  }
  currentX_ = x;
  currentY_ = y;
}

void WebCanvas::TextAt(std::int32_t x, std::int32_t y, const char* text) {
  if (handle_ == 0) return;
  page::Text(handle_, x, y, x, y, false, Cp932ToUtf8(text), labelFonts_ > 0,
             mode_ == BackgroundMode::Opaque);
}

void WebCanvas::TextInBox(std::int32_t left, std::int32_t top, std::int32_t right,
                          std::int32_t bottom, const char* text) {
  if (handle_ == 0) return;
  page::Text(handle_, left, top, right, bottom, true, Cp932ToUtf8(text), labelFonts_ > 0,
             mode_ == BackgroundMode::Opaque);
}

void WebCanvas::CopyFrom(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h,
                         const Canvas* src, std::int32_t sx, std::int32_t sy) {
  const auto* from = dynamic_cast<const WebCanvas*>(src);
  if (from == nullptr || from->handle_ == 0 || handle_ == 0) return;
  w = ClipToSource(w, sx, from->width_);
  h = ClipToSource(h, sy, from->height_);
  if (w <= 0 || h <= 0) return;
  page::Copy(handle_, x, y, w, h, from->handle_, sx, sy);
}

int WebCanvas::Blend(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h,
                     const Canvas& src, std::int32_t sx, std::int32_t sy, std::int32_t sw,
                     std::int32_t sh, std::int32_t opacity, COLORREF transparent) {
  const auto* from = dynamic_cast<const WebCanvas*>(&src);
  // Nothing to draw from (a picture that failed to load has no pixels) or nothing to
  // draw: fails and leaves this surface alone, as the Windows surface does.
  if (from == nullptr || from->handle_ == 0 || from->width_ <= 0 || from->height_ <= 0) return 0;
  if (handle_ == 0 || w <= 0 || h <= 0 || sw <= 0 || sh <= 0) return 0;
  return page::Blend(handle_, x, y, w, h, from->handle_, sx, sy, sw, sh, opacity & 0xFF,
                     transparent);
}

std::unique_ptr<WebCanvas> CreateWebSurface(std::int32_t width, std::int32_t height) {
  if (width <= 0 || height <= 0) return nullptr;
  const int handle = page::CreateSurface(width, height);
  if (handle == 0) return nullptr;
  return std::make_unique<WebCanvas>(handle, width, height);
}

}  // namespace dz::web
