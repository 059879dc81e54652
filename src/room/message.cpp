#include "room/message.h"

#include <cstring>

#include "base/cp932.h"
#include "board/board.h"

namespace dz {

bool SameState(PieceKind kind, const PieceState& a, const PieceState& b) {
  if (a.active != b.active) return false;
  if (!a.active) return true;
  if (a.x != b.x || a.y != b.y) return false;
  if (kind == PieceKind::Area) return a.radius == b.radius;
  return a.color == b.color && a.melee == b.melee && std::strcmp(a.name, b.name) == 0;
}

int PoolSize(PieceKind kind) {
  return kind == PieceKind::Character ? kCharacterCount : kAreaCount;
}

PieceState ReadSlot(PieceKind kind, int slot) {
  PieceState s;
  const Marker& m = kind == PieceKind::Character ? static_cast<const Marker&>(characters[slot])
                                                 : static_cast<const Marker&>(areas[slot]);
  s.active = m.IsActive();
  if (!s.active) return s;
  s.x = m.GetPosition().x;
  s.y = m.GetPosition().y;
  if (kind == PieceKind::Area) {
    s.radius = areas[slot].GetRadius();
    return s;
  }
  const Character& c = characters[slot];
  std::memcpy(s.name, c.GetName(), sizeof s.name);
  s.color = static_cast<std::uint8_t>(ColorIndexOf(c.GetColor()));
  s.melee = c.IsMelee() != 0 ? 1 : 0;
  return s;
}

void WriteSlot(PieceKind kind, int slot, const PieceState& s) {
  if (kind == PieceKind::Area) {
    Area& a = areas[slot];
    if (!s.active) return a.Clear();
    if (!a.IsActive()) a.LoadBitmapFile("area.bmp");
    a.SetRadius(s.radius);
    a.SetPosition(s.x, s.y);
    return;
  }
  Character& c = characters[slot];
  if (!s.active) return c.Clear();
  c.SetColor(MarkerColor(s.color));
  c.SetWidth(gridSize);
  c.SetHeight(gridSize);
  c.SetName(s.name);
  c.SetPosition(s.x, s.y);
  c.SetMelee(s.melee);
}

namespace {

void Put32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (24 - 8 * i));
}

std::uint32_t Get32(const std::uint8_t* p) {
  return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}

constexpr std::size_t kHead = 1 + 1 + 8 + 8;
constexpr std::size_t kPieceHead = kHead + 1 + 1 + 4 + 4;

}  // namespace

std::size_t EncodeRoomMessage(const RoomMessage& m, std::uint8_t (&out)[kMaxPlainSize]) {
  out[0] = 1;
  out[1] = static_cast<std::uint8_t>(m.type);
  for (int i = 0; i < 8; ++i) out[2 + i] = static_cast<std::uint8_t>(m.member >> (56 - 8 * i));
  for (int i = 0; i < 8; ++i) out[10 + i] = static_cast<std::uint8_t>(m.seq >> (56 - 8 * i));
  switch (m.type) {
    case MessageType::Piece: {
      out[kHead] = m.slot;
      out[kHead + 1] = static_cast<std::uint8_t>(m.kind);
      Put32(out + kHead + 2, static_cast<std::uint32_t>(m.piece.x));
      Put32(out + kHead + 6, static_cast<std::uint32_t>(m.piece.y));
      std::uint8_t* p = out + kPieceHead;
      if (m.kind == PieceKind::Area) {
        Put32(p, static_cast<std::uint32_t>(m.piece.radius));
        return kPieceHead + 4;
      }
      const std::size_t nameLen = strnlen(m.piece.name, 3);
      p[0] = m.piece.color;
      p[1] = m.piece.melee;
      p[2] = static_cast<std::uint8_t>(nameLen);
      std::memcpy(p + 3, m.piece.name, nameLen);
      return kPieceHead + 3 + nameLen;
    }
    case MessageType::Grid:
      Put32(out + kHead, static_cast<std::uint32_t>(m.grid));
      return kHead + 4;
    default:
      return kHead;
  }
}

bool DecodeRoomMessage(const std::uint8_t* p, std::size_t n, RoomMessage* out) {
  *out = RoomMessage{};
  if (n < kHead || p[0] != 1) return false;
  out->type = static_cast<MessageType>(p[1]);
  for (int i = 0; i < 8; ++i) out->member = out->member << 8 | p[2 + i];
  for (int i = 0; i < 8; ++i) out->seq = out->seq << 8 | p[10 + i];
  switch (out->type) {
    case MessageType::Piece: {
      if (n < kPieceHead + 3) return false;
      out->slot = p[kHead];
      if (p[kHead + 1] > 1) return false;
      out->kind = static_cast<PieceKind>(p[kHead + 1]);
      if (out->slot >= PoolSize(out->kind)) return false;
      PieceState& s = out->piece;
      s.active = true;
      s.x = static_cast<std::int32_t>(Get32(p + kHead + 2));
      s.y = static_cast<std::int32_t>(Get32(p + kHead + 6));
      const std::uint8_t* b = p + kPieceHead;
      if (out->kind == PieceKind::Area) {
        s.radius = static_cast<std::int32_t>(Get32(b));
        return n == kPieceHead + 4;
      }
      s.color = b[0];
      s.melee = b[1];
      const std::size_t nameLen = b[2];
      if (s.color >= kColorCount || s.melee > 1 || nameLen > 3) return false;
      if (n != kPieceHead + 3 + nameLen) return false;
      std::memcpy(s.name, b + 3, nameLen);
      // Whole characters only, and no null byte inside.
      return strnlen(s.name, 4) == nameLen &&
             WholeCharacterPrefix(s.name, 3) == static_cast<int>(nameLen);
    }
    case MessageType::Grid: {
      if (n != kHead + 4) return false;
      out->grid = static_cast<std::int32_t>(Get32(p + kHead));
      for (const GridChoice& g : gridChoices) {
        if (g.size == out->grid) return true;
      }
      return false;
    }
    case MessageType::Removed:
    case MessageType::Here:
    case MessageType::Gone:
      return n == kHead;
    default:
      return false;
  }
}

}  // namespace dz
