// What a room carries of the board, and the plaintext of its sealed messages.
#pragma once

#include <cstddef>
#include <cstdint>

namespace dz {

enum class PieceKind : std::uint8_t { Character, Area };

// A piece as the coordinate code carries it: everything the room keeps in step.
struct PieceState {
  bool active = false;
  std::int32_t x = 0;
  std::int32_t y = 0;
  char name[4] = {};        // characters: at most 3 bytes of code page 932 text
  std::uint8_t color = 0;   // characters: index in the colour table
  std::uint8_t melee = 0;   // characters: 0 or 1
  std::int32_t radius = 0;  // areas: metres
};

// Equal as the code would show them (an inactive piece shows nothing).
bool SameState(PieceKind kind, const PieceState& a, const PieceState& b);

// The pools of the board, read and written slot by slot as the code reader would.
PieceState ReadSlot(PieceKind kind, int slot);
void WriteSlot(PieceKind kind, int slot, const PieceState& s);
int PoolSize(PieceKind kind);

enum class MessageType : std::uint8_t {
  Piece = 1,    // a character or an area (topic p/<pieceId>)
  Removed = 2,  // the piece is deleted (topic p/<pieceId>)
  Grid = 3,     // the room's grid size (topic grid)
  Here = 4,     // the member is in the room (topic m/<memberId>)
  Gone = 5,     // the member has left (its last will)
};

// The plaintext of one message:
//   version 1 | type | member id (8) | sequence (8, big-endian) | body
// with the body of a piece: slot | kind | x | y (4 each, big-endian) then, for a character,
// colour | melee | name length | name, for an area, the radius. Grid: the size (4).
struct RoomMessage {
  MessageType type = MessageType::Piece;
  std::uint64_t member = 0;
  std::uint64_t seq = 0;
  PieceKind kind = PieceKind::Character;
  std::uint8_t slot = 0;  // the slot the piece asks for
  PieceState piece;
  std::int32_t grid = 0;
};

constexpr std::size_t kMaxPlainSize = 48;

std::size_t EncodeRoomMessage(const RoomMessage& m, std::uint8_t (&out)[kMaxPlainSize]);
// Strict: exactly the length of its type, a known version and type, a slot inside its pool,
// a colour of the table, a melee flag of 0 or 1, a name of whole characters without a null
// byte, a grid size among the grid choices.
bool DecodeRoomMessage(const std::uint8_t* p, std::size_t n, RoomMessage* out);

}  // namespace dz
