// The entry points the page's script calls: start-up, paint, pointer, menu and panel
// commands. Everything the tool does happens in the portable core.
#include <emscripten/emscripten.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "app/frame.h"
#include "app/main_window.h"
#include "app/pointer.h"
#include "app/settings.h"
#include "board/board.h"
#include "panels/panels.h"
#include "pictures/bmp.h"
#include "version.h"
#include "web/web_canvas.h"
#include "web/web_ports.h"

namespace {

std::unique_ptr<dz::web::WebCanvas> window;

// Windows hands a position over in 16 unsigned bits each way: a captured pointer left of
// or above the board arrives wrapped. The page's positions go the same way, so that the
// same gesture gives the same board.
dz::Point AsWindowsSees(std::int32_t x, std::int32_t y) {
  return dz::Point{static_cast<std::int32_t>(static_cast<std::uint32_t>(x) & 0xFFFFu),
                   static_cast<std::int32_t>(static_cast<std::uint32_t>(y) & 0xFFFFu)};
}

}  // namespace

extern "C" {

// `surface` is the page's on-screen board canvas.
EMSCRIPTEN_KEEPALIVE void dz_start(int surface, int width, int height) {
  dz::web::InstallPorts();
  window = std::make_unique<dz::web::WebCanvas>(surface, width, height);
  dz::PrepareBoard();
  dz::BoardPanelInit();
  dz::MarkerPanelInit();
  dz::AreaPanelInit();
  dz::FinishStartUp();
}

EMSCRIPTEN_KEEPALIVE void dz_paint() {
  if (window) dz::PaintFrame(*window);
}

enum PointerEvent { kLeftDown = 0, kMove = 1, kLeftUp = 2, kRightDown = 3, kRightUp = 4 };

// buttons: 1 left, 2 right, as the core counts them.
EMSCRIPTEN_KEEPALIVE void dz_pointer(int event, int buttons, int x, int y) {
  dz::web::SetPointerPosition(x, y);
  const dz::Point at = AsWindowsSees(x, y);
  switch (event) {
    case kLeftDown:
      dz::OnLeftButtonDown(at);
      break;
    case kMove:
      dz::OnMouseMove(dz::HeldButtons{(buttons & 1) != 0, (buttons & 2) != 0}, at);
      break;
    case kLeftUp:
      dz::OnLeftButtonUp(at);
      break;
    case kRightDown:
      dz::OnRightButtonDown();
      break;
    case kRightUp:
      dz::OnRightButtonUp();
      break;
    default:
      break;
  }
}

EMSCRIPTEN_KEEPALIVE int dz_menu(int id) {
  return dz::OnSettingsCommand(id) ? 1 : 0;
}

EMSCRIPTEN_KEEPALIVE int dz_command(int panel, int control) {
  return dz::web::RunPanelCommand(panel, control);
}

EMSCRIPTEN_KEEPALIVE void dz_choose_file(const char* path, const char* name) {
  dz::web::SetChosenFile(path, name);
}

// The window title, from the project's one version.
// A .bmp file read by the program's own reader, as on Windows, so that a file it refuses
// fails to load instead of showing as garbage. Returns width × height RGBA pixels (opaque:
// the reader has put any alpha over white) for the page to free, and their size in wh[0]
// and wh[1]; null when the file is refused.
EMSCRIPTEN_KEEPALIVE std::uint8_t* dz_decode_bmp(const std::uint8_t* data, int size, int* wh) {
  // A background shows at most 800 × 620 pixels: 16 M pixels is plenty, and stays within
  // what a page's memory allows.
  constexpr std::int64_t kMaxPixels = std::int64_t{1} << 24;
  wh[0] = 0;
  wh[1] = 0;
  dz::BmpPicture picture;
  if (size <= 0 || dz::ReadBmpFile(data, static_cast<std::size_t>(size), &picture, kMaxPixels) !=
                       dz::BmpStatus::Ok) {
    return nullptr;
  }
  const std::size_t count = picture.pixels.size();
  auto* rgba = static_cast<std::uint8_t*>(std::malloc(count * 4));
  if (rgba == nullptr) return nullptr;
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint32_t p = picture.pixels[i];
    rgba[4 * i] = static_cast<std::uint8_t>(p >> 16);
    rgba[4 * i + 1] = static_cast<std::uint8_t>(p >> 8);
    rgba[4 * i + 2] = static_cast<std::uint8_t>(p);
    rgba[4 * i + 3] = 255;
  }
  wh[0] = picture.width;
  wh[1] = picture.height;
  return rgba;
}

EMSCRIPTEN_KEEPALIVE const char* dz_title() {
  static char title[32];
  std::snprintf(title, sizeof title, "dozero ver 0.%d", DOZERO_VERSION_MINOR);
  return title;
}

// True while a character or an area is on the board.
EMSCRIPTEN_KEEPALIVE int dz_has_pieces() {
  for (const dz::Character& c : dz::characters) {
    if (c.IsActive()) return 1;
  }
  for (const dz::Area& a : dz::areas) {
    if (a.IsActive()) return 1;
  }
  return 0;
}

}  // extern "C"
