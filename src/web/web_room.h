// The browser edition's room: the broker's WebSocket and WebCrypto as the room's ports, and
// the status line, all carried by the page (web/room.js).
#pragma once

#include <cstddef>
#include <cstdint>

#include "room/crypto.h"

namespace dz::web {

// Starts the program's room on the page's ports; after StartUp.
void StartWebRooms();

// The page's answer to the crypto request `ticket` (see page::CryptoStart): the sealed or
// opened bytes, or ok false. A ticket answered already, or never handed out, is ignored.
void CryptoDone(std::uint32_t ticket, bool ok, const std::uint8_t* data, std::size_t n);

// The crypto port the room runs on.
Crypto& PageCrypto();

}  // namespace dz::web
