// The page calls, bound to the script's `Module.dz` object.
#include <emscripten/emscripten.h>

#include <cstdlib>

#include "web/page.h"

// clang-format off
EM_JS(int, dz_js_create_surface, (int w, int h), { return Module.dz.createSurface(w, h); });
EM_JS(void, dz_js_free_surface, (int s), { Module.dz.freeSurface(s); });
EM_JS(void, dz_js_shape, (int s, int kind, int l, int t, int r, int b, int penStyle, int penWidth,
                          unsigned penColor, int hollow, unsigned brushColor), {
  Module.dz.shape(s, kind, l, t, r, b, penStyle, penWidth, penColor, hollow, brushColor);
});
EM_JS(void, dz_js_line, (int s, int x0, int y0, int x1, int y1, int penStyle, int penWidth,
                         unsigned penColor, int opaque), {
  Module.dz.line(s, x0, y0, x1, y1, penStyle, penWidth, penColor, opaque);
});
EM_JS(void, dz_js_text, (int s, int l, int t, int r, int b, int boxed, const char* text,
                         int label, int opaque), {
  Module.dz.text(s, l, t, r, b, boxed, UTF8ToString(text), label, opaque);
});
EM_JS(void, dz_js_copy, (int s, int x, int y, int w, int h, int src, int sx, int sy), {
  Module.dz.copy(s, x, y, w, h, src, sx, sy);
});
EM_JS(int, dz_js_blend, (int s, int x, int y, int w, int h, int src, int sx, int sy, int sw,
                         int sh, int opacity, unsigned transparent), {
  return Module.dz.blend(s, x, y, w, h, src, sx, sy, sw, sh, opacity, transparent);
});
EM_JS(int, dz_js_take_picture, (const char* name, int chosen, int* size), {
  var p = Module.dz.takePicture(UTF8ToString(name), chosen);
  if (!p) return 0;
  HEAP32[size >> 2] = p.w;
  HEAP32[(size >> 2) + 1] = p.h;
  return p.handle;
});
EM_JS(void, dz_js_set_text, (int panel, int control, const char* text), {
  Module.dz.setText(panel, control, UTF8ToString(text));
});
EM_JS(char*, dz_js_get_text, (int panel, int control), {
  var s = Module.dz.getText(panel, control);
  var n = lengthBytesUTF8(s) + 1;
  var p = _malloc(n);
  if (p) stringToUTF8(s, p, n);
  return p;
});
EM_JS(void, dz_js_add_combo, (int panel, int control, const char* text), {
  Module.dz.addComboEntry(panel, control, UTF8ToString(text));
});
EM_JS(void, dz_js_select_combo, (int panel, int control, int index), {
  Module.dz.selectComboEntry(panel, control, index);
});
EM_JS(int, dz_js_combo_selection, (int panel, int control), {
  return Module.dz.comboSelection(panel, control);
});
EM_JS(void, dz_js_set_checked, (int panel, int control, int checked), {
  Module.dz.setChecked(panel, control, checked);
});
EM_JS(int, dz_js_is_checked, (int panel, int control), {
  return Module.dz.isChecked(panel, control) ? 1 : 0;
});
EM_JS(void, dz_js_show_control, (int panel, int control, int show), {
  Module.dz.showControl(panel, control, show);
});
EM_JS(int, dz_js_control_visible, (int panel, int control), {
  return Module.dz.isControlVisible(panel, control) ? 1 : 0;
});
EM_JS(void, dz_js_show_panel, (int panel, int show), { Module.dz.showPanel(panel, show); });
EM_JS(int, dz_js_menu_checked, (int id), { return Module.dz.isMenuChecked(id) ? 1 : 0; });
EM_JS(void, dz_js_set_menu_checked, (int id, int checked), {
  Module.dz.setMenuChecked(id, checked);
});
EM_JS(void, dz_js_put_clipboard, (const char* text), {
  Module.dz.putClipboard(UTF8ToString(text));
});
EM_JS(void, dz_js_show_error, (const char* text), { Module.dz.showError(UTF8ToString(text)); });
EM_JS(void, dz_js_request_paint, (), { Module.dz.requestPaint(); });
EM_JS(void, dz_js_socket_open, (const char* url), { Module.dz.socketOpen(UTF8ToString(url)); });
EM_JS(void, dz_js_socket_send, (const unsigned char* data, int n), {
  Module.dz.socketSend(HEAPU8.slice(data, data + n));
});
EM_JS(void, dz_js_socket_close, (), { Module.dz.socketClose(); });
EM_JS(void, dz_js_random, (unsigned char* out, int n), {
  crypto.getRandomValues(HEAPU8.subarray(out, out + n));
});
EM_JS(void, dz_js_crypto, (unsigned ticket, int seal, const unsigned char* key,
                           const unsigned char* nonce, const unsigned char* aad, int aadLen,
                           const unsigned char* data, int n), {
  Module.dz.cryptoStart(ticket, seal, HEAPU8.slice(key, key + 32), HEAPU8.slice(nonce, nonce + 12),
                        HEAPU8.slice(aad, aad + aadLen), HEAPU8.slice(data, data + n));
});
EM_JS(void, dz_js_room_status, (const char* text), {
  Module.dz.showRoomStatus(UTF8ToString(text));
});
// clang-format on

namespace dz::web::page {

int CreateSurface(std::int32_t width, std::int32_t height) {
  return dz_js_create_surface(width, height);
}
void FreeSurface(int surface) {
  dz_js_free_surface(surface);
}
void Shape(int surface, ShapeKind kind, std::int32_t left, std::int32_t top, std::int32_t right,
           std::int32_t bottom, const Pen& pen, const Brush& brush) {
  dz_js_shape(surface, static_cast<int>(kind), left, top, right, bottom,
              static_cast<int>(pen.style), pen.width, pen.color,
              brush.kind == BrushKind::Hollow ? 1 : 0, brush.color);
}
void Line(int surface, std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1,
          const Pen& pen, bool opaque) {
  dz_js_line(surface, x0, y0, x1, y1, static_cast<int>(pen.style), pen.width, pen.color,
             opaque ? 1 : 0);
}
void Text(int surface, std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom,
          bool boxed, const std::string& text, bool labelFont, bool opaque) {
  dz_js_text(surface, left, top, right, bottom, boxed ? 1 : 0, text.c_str(), labelFont ? 1 : 0,
             opaque ? 1 : 0);
}
void Copy(int surface, std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h, int source,
          std::int32_t sx, std::int32_t sy) {
  dz_js_copy(surface, x, y, w, h, source, sx, sy);
}
int Blend(int surface, std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h, int source,
          std::int32_t sx, std::int32_t sy, std::int32_t sw, std::int32_t sh, std::int32_t opacity,
          COLORREF transparent) {
  return dz_js_blend(surface, x, y, w, h, source, sx, sy, sw, sh, opacity, transparent);
}
int TakePicture(const std::string& name, bool chosen, std::int32_t* width, std::int32_t* height) {
  int size[2] = {0, 0};
  const int handle = dz_js_take_picture(name.c_str(), chosen ? 1 : 0, size);
  *width = size[0];
  *height = size[1];
  return handle;
}
void SetText(int panel, int control, const std::string& text) {
  dz_js_set_text(panel, control, text.c_str());
}
std::string GetText(int panel, int control) {
  char* p = dz_js_get_text(panel, control);
  if (p == nullptr) return std::string();
  std::string text(p);
  std::free(p);
  return text;
}
void AddComboEntry(int panel, int control, const std::string& text) {
  dz_js_add_combo(panel, control, text.c_str());
}
void SelectComboEntry(int panel, int control, int index) {
  dz_js_select_combo(panel, control, index);
}
int ComboSelection(int panel, int control) {
  return dz_js_combo_selection(panel, control);
}
void SetChecked(int panel, int control, bool checked) {
  dz_js_set_checked(panel, control, checked ? 1 : 0);
}
bool IsChecked(int panel, int control) {
  return dz_js_is_checked(panel, control) != 0;
}
void ShowControl(int panel, int control, bool show) {
  dz_js_show_control(panel, control, show ? 1 : 0);
}
bool IsControlVisible(int panel, int control) {
  return dz_js_control_visible(panel, control) != 0;
}
void ShowPanel(int panel, bool show) {
  dz_js_show_panel(panel, show ? 1 : 0);
}
bool IsMenuChecked(int id) {
  return dz_js_menu_checked(id) != 0;
}
void SetMenuChecked(int id, bool checked) {
  dz_js_set_menu_checked(id, checked ? 1 : 0);
}
void PutClipboard(const std::string& text) {
  dz_js_put_clipboard(text.c_str());
}
void ShowError(const std::string& text) {
  dz_js_show_error(text.c_str());
}
void RequestPaint() {
  dz_js_request_paint();
}
void SocketOpen(const std::string& url) {
  dz_js_socket_open(url.c_str());
}
void SocketSend(const std::uint8_t* data, std::size_t n) {
  dz_js_socket_send(data, static_cast<int>(n));
}
void SocketClose() {
  dz_js_socket_close();
}
void RandomBytes(std::uint8_t* out, std::size_t n) {
  // getRandomValues fills at most 65536 bytes a call.
  while (n > 0) {
    const std::size_t part = n < 65536 ? n : 65536;
    dz_js_random(out, static_cast<int>(part));
    out += part;
    n -= part;
  }
}
void CryptoStart(std::uint32_t ticket, bool seal, const std::uint8_t* key,
                 const std::uint8_t* nonce, const std::uint8_t* aad, std::size_t aadLen,
                 const std::uint8_t* data, std::size_t n) {
  dz_js_crypto(ticket, seal ? 1 : 0, key, nonce, aad, static_cast<int>(aadLen), data,
               static_cast<int>(n));
}
void ShowRoomStatus(const std::string& text) {
  dz_js_room_status(text.c_str());
}

}  // namespace dz::web::page
