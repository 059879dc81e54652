// The entry points the page's script calls: start-up, paint, pointer, menu and panel
// commands. Everything the tool does happens in the portable core.
#include <emscripten/emscripten.h>

#include <cstdint>
#include <cstdio>
#include <memory>

#include "app/frame.h"
#include "app/main_window.h"
#include "app/pointer.h"
#include "app/settings.h"
#include "board/board.h"
#include "panels/panels.h"
#include "pictures/bmp.h"
#include "version.h"
#include "web/pointer_events.h"
#include "web/text.h"
#include "web/web_canvas.h"
#include "web/web_ports.h"

namespace {

std::unique_ptr<dz::web::WebCanvas> window;

}  // namespace

extern "C" {

// `surface` is the page's on-screen board canvas.
EMSCRIPTEN_KEEPALIVE void dz_start(int surface, int width, int height) {
  dz::web::InstallPorts();
  window = std::make_unique<dz::web::WebCanvas>(surface, width, height);
  dz::StartUp();
}

EMSCRIPTEN_KEEPALIVE void dz_paint() {
  if (window) dz::PaintFrame(*window);
}

// `buttons`: the HeldButton bits, as the core counts them.
EMSCRIPTEN_KEEPALIVE void dz_pointer(int event, int buttons, int x, int y) {
  dz::web::SetPointerPosition(x, y);
  // The page captures the pointer while a button is held, so a drag may report positions
  // beyond any edge of the board, negative ones too: the core keeps a drag on the board.
  const dz::Point at{x, y};
  switch (event) {
    case dz::web::kLeftDown:
      dz::OnLeftButtonDown(at);
      break;
    case dz::web::kMove:
      dz::OnMouseMove(
          dz::HeldButtons{(buttons & dz::web::kLeft) != 0, (buttons & dz::web::kRight) != 0}, at);
      break;
    case dz::web::kLeftUp:
      dz::OnLeftButtonUp(at);
      break;
    case dz::web::kRightDown:
      dz::OnRightButtonDown();
      break;
    case dz::web::kRightUp:
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
  // The board panel's copy command answers how the copy went; every other command 0.
  if (panel < 0 || panel > static_cast<int>(dz::Panel::Area)) return 0;
  return static_cast<int>(dz::RunPanelCommand(static_cast<dz::Panel>(panel), control));
}

EMSCRIPTEN_KEEPALIVE void dz_choose_file(const char* path, const char* name) {
  dz::web::SetChosenFile(path, name);
}

// A .bmp file the page holds (its own pictures, a chosen file), decoded as the Windows
// front-end decodes its pictures (see web_ports.h).
EMSCRIPTEN_KEEPALIVE std::uint8_t* dz_decode_bmp(const std::uint8_t* data, int size, int* wh) {
  return dz::web::DecodeBmpPicture(data, size, wh);
}

// The window title, from the project's one version.
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
