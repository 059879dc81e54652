// The entry points the page's script calls: start-up, paint, pointer, menu and panel
// commands, and the room's (web/room.js). Everything the tool does happens in the portable core.
#include <emscripten/emscripten.h>

#include <cstdint>
#include <cstdio>
#include <memory>

#include "app/frame.h"
#include "app/main_window.h"
#include "app/pointer.h"
#include "app/room_session.h"
#include "app/settings.h"
#include "board/board.h"
#include "panels/panels.h"
#include "pictures/bmp.h"
#include "version.h"
#include "web/pointer_events.h"
#include "web/text.h"
#include "web/web_canvas.h"
#include "web/web_ports.h"
#include "web/web_room.h"

namespace {

std::unique_ptr<dz::web::WebCanvas> window;

}  // namespace

extern "C" {

// `surface` is the page's on-screen board canvas.
EMSCRIPTEN_KEEPALIVE void dz_start(int surface, int width, int height) {
  dz::web::InstallPorts();
  window = std::make_unique<dz::web::WebCanvas>(surface, width, height);
  dz::StartUp();
  dz::web::StartWebRooms();
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
  dz::AfterInput();
}

EMSCRIPTEN_KEEPALIVE int dz_menu(int id) {
  const int handled = dz::OnSettingsCommand(id) ? 1 : 0;
  dz::AfterInput();
  return handled;
}

EMSCRIPTEN_KEEPALIVE int dz_command(int panel, int control) {
  // The board panel's copy command answers how the copy went; every other command 0.
  if (panel < 0 || panel > static_cast<int>(dz::Panel::Area)) return 0;
  const int result = static_cast<int>(dz::RunPanelCommand(static_cast<dz::Panel>(panel), control));
  dz::AfterInput();
  return result;
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

// ---- the room ----

// Makes a room of the current board on the broker at `broker` (a ws:// or wss:// URL) and,
// when `tcp` is not empty, at that host:port for the Windows program; joins it and returns
// its link (UTF-8, valid until the next call), or null when an address is not valid.
EMSCRIPTEN_KEEPALIVE const char* dz_room_create(const char* page, const char* broker,
                                                const char* tcp) {
  static char link[dz::kMaxLinkSize];
  dz::Room* room = dz::ProgramRoom();
  if (room == nullptr) return nullptr;
  const int n = room->Create(page, broker, tcp != nullptr && tcp[0] != '\0' ? tcp : nullptr, link,
                             sizeof link);
  return n > 0 ? link : nullptr;
}

// The JoinResult of joining the room of a link.
EMSCRIPTEN_KEEPALIVE int dz_room_join(const char* link) {
  dz::Room* room = dz::ProgramRoom();
  return static_cast<int>(room != nullptr ? room->Join(link) : dz::JoinResult::BadLink);
}

EMSCRIPTEN_KEEPALIVE void dz_room_leave() {
  if (dz::Room* room = dz::ProgramRoom()) room->Leave();
}

// The RoomStatus: 0 outside a room.
EMSCRIPTEN_KEEPALIVE int dz_room_status() {
  const dz::Room* room = dz::ProgramRoom();
  return static_cast<int>(room != nullptr ? room->status() : dz::RoomStatus::Outside);
}

// Every 100 ms while in a room, with the page's monotonic clock.
EMSCRIPTEN_KEEPALIVE void dz_room_tick(double nowMs) {
  dz::RoomTick(static_cast<std::uint64_t>(nowMs));
}

// The WebSocket's events.
EMSCRIPTEN_KEEPALIVE void dz_stream_open() {
  if (dz::Room* room = dz::ProgramRoom()) room->OnStreamOpen();
}
// Returns how many bytes the room took; the page keeps the rest for later.
EMSCRIPTEN_KEEPALIVE int dz_stream_bytes(const std::uint8_t* data, int n) {
  if (dz::Room* room = dz::ProgramRoom(); room != nullptr && n > 0) {
    return static_cast<int>(room->OnStreamBytes(data, static_cast<std::size_t>(n)));
  }
  return n;
}
EMSCRIPTEN_KEEPALIVE void dz_stream_closed() {
  if (dz::Room* room = dz::ProgramRoom()) room->OnStreamClosed();
}

// WebCrypto's answer to a request (see web_room.h).
EMSCRIPTEN_KEEPALIVE void dz_crypto_done(unsigned ticket, int ok, const std::uint8_t* data, int n) {
  dz::web::CryptoDone(ticket, ok != 0, data, n > 0 ? static_cast<std::size_t>(n) : 0);
}

}  // extern "C"
