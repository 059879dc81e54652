#include "fake_page.h"

#include <string>

#include "web/page.h"

namespace dz::web::testing {
FakePage fakePage;
}  // namespace dz::web::testing

namespace dz::web::page {
namespace {

using testing::fakePage;

std::string Args(std::initializer_list<long long> values) {
  std::string s;
  for (long long v : values) s += (s.empty() ? "" : ",") + std::to_string(v);
  return s;
}

}  // namespace

int CreateSurface(std::int32_t width, std::int32_t height) {
  const int s = fakePage.nextSurface++;
  fakePage.liveSurfaces.insert(s);
  fakePage.calls.push_back("create " + std::to_string(s) + " " + Args({width, height}));
  return s;
}
void FreeSurface(int surface) {
  fakePage.liveSurfaces.erase(surface);
}
void Shape(int surface, ShapeKind kind, std::int32_t left, std::int32_t top, std::int32_t right,
           std::int32_t bottom, const Pen& pen, const Brush& brush) {
  fakePage.calls.push_back(
      std::string(kind == ShapeKind::Ellipse ? "ellipse " : "rect ") + std::to_string(surface) +
      " " + Args({left, top, right, bottom}) + " pen " +
      Args({static_cast<int>(pen.style), pen.width, pen.color}) +
      (brush.kind == BrushKind::Hollow ? " hollow" : " brush " + Args({brush.color})));
}
void Line(int surface, std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1,
          const Pen& pen, bool opaque) {
  fakePage.calls.push_back("line " + std::to_string(surface) + " " + Args({x0, y0, x1, y1}) +
                           " pen " + Args({static_cast<int>(pen.style), pen.width, pen.color}) +
                           (opaque ? " opaque" : " transparent"));
}
void Text(int surface, std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom,
          bool boxed, const std::string& text, bool labelFont, bool opaque) {
  fakePage.calls.push_back(std::string(boxed ? "textbox " : "text ") + std::to_string(surface) +
                           " " + (boxed ? Args({left, top, right, bottom}) : Args({left, top})) +
                           " " + text + (labelFont ? " label" : " default") +
                           (opaque ? " opaque" : " transparent"));
}
void Copy(int surface, std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h, int source,
          std::int32_t sx, std::int32_t sy) {
  fakePage.calls.push_back("copy " + std::to_string(surface) + " " + Args({x, y, w, h}) + " from " +
                           std::to_string(source) + " " + Args({sx, sy}));
}
int Blend(int surface, std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h, int source,
          std::int32_t sx, std::int32_t sy, std::int32_t sw, std::int32_t sh, std::int32_t opacity,
          COLORREF transparent) {
  fakePage.calls.push_back("blend " + std::to_string(surface) + " " + Args({x, y, w, h}) +
                           " from " + std::to_string(source) + " " + Args({sx, sy, sw, sh}) +
                           " alpha " + Args({opacity, transparent}));
  return 1;
}
int TakePicture(const std::string& name, bool chosen, std::int32_t* width, std::int32_t* height) {
  fakePage.pictureRequests.push_back(chosen ? "<chosen>" : name);
  std::pair<int, int> size;
  if (chosen) {
    if (!fakePage.chosenPictureWaits) return 0;
    fakePage.chosenPictureWaits = false;
    size = fakePage.chosenSize;
  } else {
    auto it = fakePage.ownPictures.find(name);
    if (it == fakePage.ownPictures.end()) return 0;
    size = it->second;
  }
  *width = size.first;
  *height = size.second;
  const int s = fakePage.nextSurface++;
  fakePage.liveSurfaces.insert(s);
  return s;
}
void SetText(int panel, int control, const std::string& text) {
  fakePage.texts[{panel, control}] = text;
}
std::string GetText(int panel, int control) {
  return fakePage.texts[{panel, control}];
}
void AddComboEntry(int panel, int control, const std::string& text) {
  fakePage.combos[{panel, control}].push_back(text);
  fakePage.selections.emplace(std::make_pair(panel, control), -1);
}
void SelectComboEntry(int panel, int control, int index) {
  const int n = static_cast<int>(fakePage.combos[{panel, control}].size());
  fakePage.selections[{panel, control}] = index >= 0 && index < n ? index : -1;
}
int ComboSelection(int panel, int control) {
  auto it = fakePage.selections.find({panel, control});
  return it == fakePage.selections.end() ? -1 : it->second;
}
void SetChecked(int panel, int control, bool checked) {
  fakePage.checks[{panel, control}] = checked;
}
bool IsChecked(int panel, int control) {
  return fakePage.checks[{panel, control}];
}
void ShowControl(int panel, int control, bool show) {
  if (show) {
    fakePage.hidden.erase({panel, control});
  } else {
    fakePage.hidden.insert({panel, control});
  }
}
bool IsControlVisible(int panel, int control) {
  return fakePage.hidden.count({panel, control}) == 0;
}
void ShowPanel(int panel, bool show) {
  ShowControl(panel, -1, show);
}
bool IsMenuChecked(int id) {
  return fakePage.menu[id];
}
void SetMenuChecked(int id, bool checked) {
  fakePage.menu[id] = checked;
}
void PutClipboard(const std::string& text) {
  fakePage.clipboard.push_back(text);
}
void ShowError(const std::string& text) {
  fakePage.errors.push_back(text);
}
void RequestPaint() {
  ++fakePage.paintRequests;
}
void SocketOpen(const std::string& url) {
  fakePage.socket.push_back("open " + url);
}
void SocketSend(const std::uint8_t*, std::size_t n) {
  fakePage.socket.push_back("send " + std::to_string(n));
}
void SocketClose() {
  fakePage.socket.push_back("close");
}
void RandomBytes(std::uint8_t* out, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) out[i] = static_cast<std::uint8_t>(i * 37 + 11);
}
void CryptoStart(std::uint32_t ticket, bool seal, const std::uint8_t*, const std::uint8_t*,
                 const std::uint8_t*, std::size_t, const std::uint8_t* data, std::size_t n) {
  fakePage.crypto.push_back({ticket, seal, std::vector<std::uint8_t>(data, data + n)});
}
void ShowRoomStatus(const std::string& text) {
  fakePage.roomStatus.push_back(text);
}

}  // namespace dz::web::page
