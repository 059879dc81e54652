// The program's live room, run the same way by both front-ends: the front-end gives it a
// byte stream and a crypto port once, after StartUp, and then only forwards events.
#pragma once

#include <cstdint>

#include "mqtt/client.h"
#include "room/crypto.h"
#include "room/room.h"

namespace dz {

// Where the front-end shows the room's status line (code page 932; empty outside a room).
class RoomStatusView {
 public:
  virtual ~RoomStatusView() = default;
  virtual void ShowRoomStatus(const char* text) = 0;
};

// Makes the program's one room on the front-end's ports, which must live as long as the
// program. `view` may be null (nothing shown).
void StartRooms(mqtt::ByteStream& stream, Crypto& crypto, Transport transport,
                RoomStatusView* view);
// The program's room, or null before StartRooms.
Room* ProgramRoom();

// After every input the front-end handed to the core (pointer, panel command, menu
// command): the board's changes go out at once, except the moves of a drag, which
// RoomTick sends at its steady rate.
void AfterInput();
// Every 100 ms, from the front-end's timer: the room's clock, and a drag's moves (10 a
// second).
void RoomTick(std::uint64_t nowMs);

// What the window shows after the room changed the board: the panel of a selected piece
// (hidden, and the selection dropped, when the room took the piece off the board), the grid
// size's entry and the grid when it changed, the code field, and a repaint.
void ShowRoomChanges(bool gridChanged);

// The status line of a room (at most size − 1 bytes and a terminator, code page 932);
// returns its length. Empty outside a room.
int FormatRoomStatus(RoomStatus status, RoomProblem problem, int refusal, int members, char* out,
                     int size);

}  // namespace dz
