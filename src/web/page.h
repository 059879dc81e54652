// The page's side of the browser edition: every call that leaves the WebAssembly module.
// Texts cross as UTF-8; the page's scripts implement each call (web/canvas.js the canvas
// and pictures, web/ports.js the rest).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "base/canvas.h"

namespace dz::web::page {

enum class ShapeKind : int { Rectangle = 0, Ellipse = 1 };

// Surfaces: 0 is never a surface.
int CreateSurface(std::int32_t width, std::int32_t height);
void FreeSurface(int surface);
void Shape(int surface, ShapeKind kind, std::int32_t left, std::int32_t top, std::int32_t right,
           std::int32_t bottom, const Pen& pen, const Brush& brush);
void Line(int surface, std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1,
          const Pen& pen, bool opaque);
void Text(int surface, std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom,
          bool boxed, const std::string& text, bool labelFont, bool opaque);
void Copy(int surface, std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h, int source,
          std::int32_t sx, std::int32_t sy);
int Blend(int surface, std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h, int source,
          std::int32_t sx, std::int32_t sy, std::int32_t sw, std::int32_t sh, std::int32_t opacity,
          COLORREF transparent);
// A new surface holding a decoded picture: one of the program's own pictures by name, or
// (chosen) the picture the user has just picked. 0 when there is none; sets its size.
int TakePicture(const std::string& name, bool chosen, std::int32_t* width, std::int32_t* height);

// Panels, menu, clipboard, messages.
void SetText(int panel, int control, const std::string& text);
std::string GetText(int panel, int control);
void AddComboEntry(int panel, int control, const std::string& text);
void SelectComboEntry(int panel, int control, int index);
int ComboSelection(int panel, int control);
void SetChecked(int panel, int control, bool checked);
bool IsChecked(int panel, int control);
void ShowControl(int panel, int control, bool show);
bool IsControlVisible(int panel, int control);
void ShowPanel(int panel, bool show);
bool IsMenuChecked(int id);
void SetMenuChecked(int id, bool checked);
void PutClipboard(const std::string& text);
void ShowError(const std::string& text);
// Asks for one repaint of the board at the next animation frame.
void RequestPaint();

// Rooms (web/room.js): the broker's WebSocket (subprotocol "mqtt", binary messages), whose
// events come back through dz_stream_*; WebCrypto, whose AES-256-GCM answers come back
// through dz_crypto_done with the ticket; and the room's status line.
void SocketOpen(const std::string& url);
void SocketSend(const std::uint8_t* data, std::size_t n);
void SocketClose();
void RandomBytes(std::uint8_t* out, std::size_t n);
void CryptoStart(std::uint32_t ticket, bool seal, const std::uint8_t* key,
                 const std::uint8_t* nonce, const std::uint8_t* aad, std::size_t aadLen,
                 const std::uint8_t* data, std::size_t n);
void ShowRoomStatus(const std::string& text);

}  // namespace dz::web::page
