#include "win32/gdi_canvas.h"

#include <algorithm>

#include "win32/text.h"
#include "win32/window_dc.h"

namespace dz::win32 {

namespace {

std::wstring labelFace = L"ＭＳ ゴシック";

// Collects the fixed-pitch code page 932 faces the system has.
int CALLBACK CollectFace(const LOGFONTW* font, const TEXTMETRICW*, DWORD, LPARAM list) {
  if ((font->lfPitchAndFamily & 0x3) == FIXED_PITCH && font->lfFaceName[0] != L'@') {
    reinterpret_cast<std::vector<std::wstring>*>(list)->emplace_back(font->lfFaceName);
  }
  return 1;
}

const GdiCanvas* AsGdi(const Canvas* canvas) {
  return dynamic_cast<const GdiCanvas*>(canvas);
}

}  // namespace

const std::wstring& LabelFace() {
  return labelFace;
}

void ChooseLabelFace() {
  std::vector<std::wstring> faces;
  LOGFONTW query{};
  query.lfCharSet = SHIFTJIS_CHARSET;
  {
    const WindowDc screen(nullptr);
    EnumFontFamiliesExW(screen.Get(), &query, CollectFace, reinterpret_cast<LPARAM>(&faces), 0);
  }
  // The program's own face first, then the faces that stand in for it most closely.
  static const wchar_t* const preferred[] = {L"ＭＳ ゴシック", L"MS Gothic", L"IPAゴシック",
                                             L"IPAGothic",     L"ＭＳ 明朝", L"MS Mincho"};
  for (const wchar_t* face : preferred) {
    if (std::find(faces.begin(), faces.end(), face) != faces.end()) {
      labelFace = face;
      return;
    }
  }
  if (!faces.empty()) {
    labelFace = faces.front();  // any fixed-pitch face that can show code page 932
    return;
  }
  labelFace = L"ＭＳ ゴシック";  // let the font mapper pick
}

GdiCanvas::~GdiCanvas() {
  ReleaseSelections();
}

void GdiCanvas::ReleaseSelections() {
  while (!fonts_.empty()) fonts_.pop_back();
  while (!brushes_.empty()) brushes_.pop_back();
  while (!pens_.empty()) pens_.pop_back();
}

void GdiCanvas::PushPen(const Pen& pen) {
  const int style = pen.style == PenStyle::DashDotDot ? PS_DASHDOTDOT : PS_SOLID;
  pens_.emplace_back(dc_, GdiObject(CreatePen(style, pen.width, pen.color)));
}

void GdiCanvas::PopPen() {
  if (!pens_.empty()) pens_.pop_back();
}

void GdiCanvas::PushBrush(const Brush& brush) {
  if (brush.kind == BrushKind::Hollow) {
    brushes_.emplace_back(dc_, GetStockObject(NULL_BRUSH));
  } else {
    brushes_.emplace_back(dc_, GdiObject(CreateSolidBrush(brush.color)));
  }
}

void GdiCanvas::PopBrush() {
  if (!brushes_.empty()) brushes_.pop_back();
}

void GdiCanvas::PushLabelFont() {
  fonts_.emplace_back(dc_,
                      GdiObject(CreateFontW(20, 0, 0, 0, 600, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET,
                                            OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, PROOF_QUALITY,
                                            FIXED_PITCH | FF_MODERN, LabelFace().c_str())));
}

void GdiCanvas::PopFont() {
  if (!fonts_.empty()) fonts_.pop_back();
}

BackgroundMode GdiCanvas::SetBackgroundMode(BackgroundMode mode) {
  const int previous = SetBkMode(dc_, mode == BackgroundMode::Transparent ? TRANSPARENT : OPAQUE);
  return previous == TRANSPARENT ? BackgroundMode::Transparent : BackgroundMode::Opaque;
}

void GdiCanvas::Rectangle(std::int32_t left, std::int32_t top, std::int32_t right,
                          std::int32_t bottom) {
  Drawn();
  ::Rectangle(dc_, left, top, right, bottom);
}

void GdiCanvas::Ellipse(std::int32_t left, std::int32_t top, std::int32_t right,
                        std::int32_t bottom) {
  Drawn();
  ::Ellipse(dc_, left, top, right, bottom);
}

void GdiCanvas::MoveTo(std::int32_t x, std::int32_t y) {
  MoveToEx(dc_, x, y, nullptr);
}

void GdiCanvas::LineTo(std::int32_t x, std::int32_t y) {
  Drawn();
  ::LineTo(dc_, x, y);
}

void GdiCanvas::TextAt(std::int32_t x, std::int32_t y, const char* text) {
  Drawn();
  const std::wstring wide = ToWide(text);
  TextOutW(dc_, x, y, wide.c_str(), static_cast<int>(wide.size()));
}

void GdiCanvas::TextInBox(std::int32_t left, std::int32_t top, std::int32_t right,
                          std::int32_t bottom, const char* text) {
  Drawn();
  const std::wstring wide = ToWide(text);
  RECT box{left, top, right, bottom};
  DrawTextW(dc_, wide.c_str(), static_cast<int>(wide.size()), &box,
            DT_SINGLELINE | DT_VCENTER | DT_CENTER);
}

void GdiCanvas::CopyFrom(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h,
                         const Canvas* src, std::int32_t sx, std::int32_t sy) {
  const GdiCanvas* from = AsGdi(src);
  if (from == nullptr) return;
  w = ClipToSource(w, sx, from->Width());
  h = ClipToSource(h, sy, from->Height());
  if (w <= 0 || h <= 0) return;
  Drawn();
  BitBlt(dc_, x, y, w, h, from->Dc(), sx, sy, SRCCOPY);
}

int GdiCanvas::Blend(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h,
                     const Canvas& src, std::int32_t sx, std::int32_t sy, std::int32_t sw,
                     std::int32_t sh, std::int32_t opacity, COLORREF transparent) {
  const GdiCanvas* from = AsGdi(&src);
  // Nothing to draw from or into (a picture that failed to load has no pixels): fail as
  // the platform's blits do for empty extents, on every version alike.
  if (from == nullptr || from->Width() <= 0 || from->Height() <= 0) return 0;
  if (w <= 0 || h <= 0 || sw <= 0 || sh <= 0) return 0;
  Drawn();
  if (pixels_ != nullptr && from->picture_ && from != this &&
      (w > kLargestKeyed || h > kLargestKeyed)) {
    const int blended = BlendLargeBox(x, y, w, h, *from, sx, sy, sw, sh, opacity, transparent);
    if (blended >= 0) return blended;
  }
  if (pixels_ == nullptr || !from->picture_ || from == this || w > kLargestKeyed ||
      h > kLargestKeyed) {
    return BlendThroughGdi(x, y, w, h, *from, sx, sy, sw, sh, opacity, transparent);
  }
  // A box that misses the surface (the parked shadow) draws nothing and costs nothing.
  if (x >= width_ || y >= height_ || std::int64_t{x} + w <= 0 || std::int64_t{y} + h <= 0) {
    return 1;
  }
  const KeyedPicture* keyed = from->Keyed(w, h, sx, sy, sw, sh, transparent);
  if (keyed == nullptr) return 0;
  GdiFlush();  // what GDI drew so far must be in the pixels before we read them
  BlendKeyed(PixelRows{pixels_, width_, height_, width_}, x, y, *keyed, opacity);
  return 1;
}

int GdiCanvas::BlendThroughGdi(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h,
                               const GdiCanvas& src, std::int32_t sx, std::int32_t sy,
                               std::int32_t sw, std::int32_t sh, std::int32_t opacity,
                               COLORREF transparent) {
  if (w <= 0 || h <= 0 || sw <= 0 || sh <= 0) return 0;
  Drawn();
  // A temporary surface of w × h: the destination's pixels, the picture over them with
  // its transparent colour left out, then the whole at constant opacity onto dst.
  MemoryDc tmp(CreateCompatibleDC(nullptr));
  if (tmp.Get() == nullptr) return 0;
  GdiObject bitmap(CreateCompatibleBitmap(dc_, w, h));
  if (!bitmap) return 0;
  Selection held(tmp.Get(), std::move(bitmap));
  BitBlt(tmp.Get(), 0, 0, w, h, dc_, x, y, SRCCOPY);
  if (!TransparentBlt(tmp.Get(), 0, 0, w, h, src.Dc(), sx, sy, sw, sh, transparent)) {
    return 0;
  }
  BLENDFUNCTION blend{AC_SRC_OVER, 0, static_cast<BYTE>(opacity & 0xFF), 0};
  if (!AlphaBlend(dc_, x, y, w, h, tmp.Get(), 0, 0, w, h, blend)) return 0;
  return 1;
}

const KeyedPicture* GdiCanvas::Keyed(std::int32_t w, std::int32_t h, std::int32_t sx,
                                     std::int32_t sy, std::int32_t sw, std::int32_t sh,
                                     COLORREF transparent) const {
  ++uses_;
  for (KeyedCopy& k : keyed_) {
    if (k.w == w && k.h == h && k.sx == sx && k.sy == sy && k.sw == sw && k.sh == sh &&
        k.transparent == transparent) {
      k.lastUse = uses_;
      return &k.picture;
    }
  }
  // The platform draws the picture the way the temporary surface of BlendThroughGdi would
  // get it, over black and over white: what differs is transparent.
  auto black = CreateDibSurface(nullptr, w, h);
  auto white = CreateDibSurface(nullptr, w, h);
  if (!black || !white) return nullptr;
  std::uint32_t* whitePixels = white->pixels_;
  std::fill(whitePixels, whitePixels + static_cast<std::size_t>(w) * h, 0x00FFFFFFu);
  if (!TransparentBlt(black->Dc(), 0, 0, w, h, dc_, sx, sy, sw, sh, transparent) ||
      !TransparentBlt(white->Dc(), 0, 0, w, h, dc_, sx, sy, sw, sh, transparent)) {
    return nullptr;
  }
  GdiFlush();
  // The least recently used copy makes room (a picture is drawn at one size per frame).
  if (keyed_.size() >= kKeyedCopies) {
    keyed_.erase(std::min_element(
        keyed_.begin(), keyed_.end(),
        [](const KeyedCopy& a, const KeyedCopy& b) { return a.lastUse < b.lastUse; }));
  }
  keyed_.push_back(KeyedCopy{w, h, sx, sy, sw, sh, transparent, uses_, KeyedPicture{}});
  KeyPicture(keyed_.back().picture, black->pixels_, whitePixels, w, h);
  return &keyed_.back().picture;
}

// Where the platform's stretch of `from` pixels onto `to` puts each source pixel, for the
// destination pixels first .. last − 1: the stretch of an index picture (pixel k holding k)
// one pixel thick, so that the numbers are the platform's own. False when the platform
// refuses or gives anything but indices in order.
bool GdiCanvas::StretchMap(std::int32_t to, std::int32_t from, bool columns, std::int32_t first,
                           std::int32_t last, std::vector<std::int32_t>& map) {
  auto index = CreateDibSurface(nullptr, columns ? from : 1, columns ? 1 : from);
  auto stretched = CreateDibSurface(nullptr, columns ? to : 1, columns ? 1 : to);
  if (!index || !stretched) return false;
  for (std::int32_t k = 0; k < from; ++k) index->pixels_[k] = static_cast<std::uint32_t>(k);
  GdiFlush();
  if (!TransparentBlt(stretched->Dc(), 0, 0, columns ? to : 1, columns ? 1 : to, index->Dc(), 0, 0,
                      columns ? from : 1, columns ? 1 : from, kWhite)) {
    return false;
  }
  GdiFlush();
  map.clear();
  for (std::int32_t i = first; i < last; ++i) {
    const std::int32_t k = static_cast<std::int32_t>(stretched->pixels_[i] & 0xFFFFFF);
    if (k >= from || (!map.empty() && k < map.back())) return false;
    map.push_back(k);
  }
  return true;
}

// A box beyond the keyed copies kept (an area with a large pasted radius): only its part on
// the surface is keyed, from the picture keyed at its own size, picked pixel by pixel where
// the platform's stretch of the whole box would pick them, so the pixels are those of the
// whole box without a temporary bitmap of it. −1 where this does not apply (a picture shrunk
// to the box, whose stretch mixes pixels): the caller blends the whole box.
int GdiCanvas::BlendLargeBox(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h,
                             const GdiCanvas& src, std::int32_t sx, std::int32_t sy,
                             std::int32_t sw, std::int32_t sh, std::int32_t opacity,
                             COLORREF transparent) {
  if (w < sw || h < sh || sw >= 0xFFFFFF || sh >= 0xFFFFFF) return -1;
  const std::int32_t x0 = static_cast<std::int32_t>(std::max<std::int64_t>(x, 0));
  const std::int32_t y0 = static_cast<std::int32_t>(std::max<std::int64_t>(y, 0));
  const std::int32_t x1 =
      static_cast<std::int32_t>(std::min<std::int64_t>(std::int64_t{x} + w, width_));
  const std::int32_t y1 =
      static_cast<std::int32_t>(std::min<std::int64_t>(std::int64_t{y} + h, height_));
  if (x0 >= x1 || y0 >= y1) return 1;  // nothing of it on the surface
  std::vector<std::int32_t> columns;
  std::vector<std::int32_t> rows;
  if (!StretchMap(w, sw, true, x0 - x, x1 - x, columns) ||
      !StretchMap(h, sh, false, y0 - y, y1 - y, rows)) {
    return -1;
  }
  const KeyedPicture* own = src.Keyed(sw, sh, sx, sy, sw, sh, transparent);
  if (own == nullptr) return -1;
  // Which of the picture's own pixels are drawn (the others are transparent).
  std::vector<std::uint8_t> opaque(own->pixels.size(), 0);
  for (std::int32_t r = 0; r < own->height; ++r) {
    const std::size_t at = static_cast<std::size_t>(r) * own->width;
    for (std::int32_t k = own->rowRuns[r]; k < own->rowRuns[r + 1]; ++k) {
      std::fill(opaque.begin() + at + own->runs[k].begin, opaque.begin() + at + own->runs[k].end,
                1);
    }
  }
  // The visible part twice, as KeyPicture takes it: a transparent pixel differs.
  const std::int32_t vw = x1 - x0;
  const std::int32_t vh = y1 - y0;
  std::vector<std::uint32_t> first(static_cast<std::size_t>(vw) * vh);
  std::vector<std::uint32_t> second(first.size());
  for (std::int32_t r = 0; r < vh; ++r) {
    for (std::int32_t c = 0; c < vw; ++c) {
      const std::size_t from = static_cast<std::size_t>(rows[r]) * own->width + columns[c];
      const std::size_t to = static_cast<std::size_t>(r) * vw + c;
      first[to] = own->pixels[from];
      second[to] = opaque[from] ? own->pixels[from] : ~own->pixels[from];
    }
  }
  KeyedPicture part;
  KeyPicture(part, first.data(), second.data(), vw, vh);
  GdiFlush();  // what GDI drew so far must be in the pixels before we read them
  BlendKeyed(PixelRows{pixels_, width_, height_, width_}, x0, y0, part, opacity);
  return 1;
}

MemorySurface::MemorySurface(MemoryDc dc, GdiObject bitmap, std::int32_t width, std::int32_t height,
                             std::uint32_t* pixels)
    : GdiCanvas(dc.Get(), width, height),
      dc_(std::move(dc)),
      bitmap_(dc_.Get(), std::move(bitmap)) {
  SetPixels(pixels);
}

MemorySurface::~MemorySurface() {
  ReleaseSelections();  // before the bitmap and the context go
}

std::unique_ptr<MemorySurface> CreateBitmapSurface(HDC reference, std::int32_t width,
                                                   std::int32_t height) {
  const WindowDc screen(nullptr);
  GdiObject bitmap(
      CreateCompatibleBitmap(reference != nullptr ? reference : screen.Get(), width, height));
  MemoryDc dc(CreateCompatibleDC(nullptr));
  if (!bitmap || dc.Get() == nullptr) return nullptr;
  return std::make_unique<MemorySurface>(std::move(dc), std::move(bitmap), width, height);
}

std::unique_ptr<MemorySurface> CreateDibSurface(HDC reference, std::int32_t width,
                                                std::int32_t height) {
  if (width <= 0 || height <= 0) return nullptr;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top row first
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  GdiObject bitmap(CreateDIBSection(reference, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  MemoryDc dc(CreateCompatibleDC(nullptr));
  if (!bitmap || bits == nullptr || dc.Get() == nullptr) return nullptr;
  return std::make_unique<MemorySurface>(std::move(dc), std::move(bitmap), width, height,
                                         static_cast<std::uint32_t*>(bits));
}

std::unique_ptr<MemorySurface> CreateEmptyMemorySurface() {
  MemoryDc dc(CreateCompatibleDC(nullptr));
  if (dc.Get() == nullptr) return nullptr;
  return std::make_unique<MemorySurface>(std::move(dc), GdiObject(), 0, 0);
}

std::unique_ptr<MemorySurface> SurfaceFromBitmap(HBITMAP bitmap, std::int32_t* width,
                                                 std::int32_t* height) {
  GdiObject owned(bitmap);
  if (!owned) return nullptr;
  BITMAP info{};
  if (GetObjectW(bitmap, sizeof info, &info) == 0) return nullptr;
  MemoryDc dc(CreateCompatibleDC(nullptr));
  if (dc.Get() == nullptr) return nullptr;
  *width = info.bmWidth;
  *height = info.bmHeight;
  return std::make_unique<MemorySurface>(std::move(dc), std::move(owned), info.bmWidth,
                                         info.bmHeight);
}

}  // namespace dz::win32
