// The coordinate code: every active character and area of the board as one line of text.
//
//   A:1,1:r D:91,61:b; rb:-14,-14:2
//
// A character token is name ":" x "," y ":" colour letter, with ";" after the letter when
// the character is in the melee; an area token is "rb:" x "," y ":" radius. Positions are
// the top-left corners in board pixels. Tokens are joined by single spaces: characters in
// pool order, then areas in pool order.
#include "code/coordinate_code.h"

#include <cstdio>
#include <cstring>

#include "board/board.h"
#include "board/ids.h"

namespace dz {
namespace {

// Appends a token to the code if the whole token fits in the buffer with its terminator.
// A token that does not fit is left out, and so is everything after it, so that the code
// never ends in half a token. (With names of at most 3 bytes a full board needs at most
// 1000 bytes, so this never happens in practice.)
bool AppendToken(char (&buf)[kCodeSize], int& len, const char* token, int tokenLen) {
  if (tokenLen < 0 || len + tokenLen > kCodeSize - 1) return false;
  std::memcpy(buf + len, token, static_cast<size_t>(tokenLen));
  len += tokenLen;
  buf[len] = '\0';
  return true;
}

}  // namespace

int BuildCoordinateCode(char (&buf)[kCodeSize]) {
  int len = 0;
  buf[0] = '\0';
  // One token with its trailing space; the longest is an area token of 39 bytes, or a
  // character token of 3 + 1 + 11 + 1 + 11 + 1 + 1 + 2 = 31 bytes.
  char token[64];
  bool room = true;
  for (const Character& c : characters) {
    if (!room) break;
    if (!c.IsActive()) continue;
    const Point p = c.GetPosition();
    int n = std::snprintf(token, sizeof token, "%s:%d,%d:%s%s", c.GetName(), static_cast<int>(p.x),
                          static_cast<int>(p.y), colorLetters[ColorIndexOf(c.GetColor())],
                          c.IsMelee() ? "; " : " ");
    if (n >= static_cast<int>(sizeof token)) n = -1;
    room = AppendToken(buf, len, token, n);
  }
  for (const Area& a : areas) {
    if (!room) break;
    if (!a.IsActive()) continue;
    const Point p = a.GetPosition();
    int n = std::snprintf(token, sizeof token, "rb:%d,%d:%d ", static_cast<int>(p.x),
                          static_cast<int>(p.y), static_cast<int>(a.GetRadius()));
    if (n >= static_cast<int>(sizeof token)) n = -1;
    room = AppendToken(buf, len, token, n);
  }
  // Every token ends with a space; the last one loses it.
  if (len > 0) buf[--len] = '\0';
  return len;
}

void WriteCoordinateCode() {
  char buf[kCodeSize];
  BuildCoordinateCode(buf);
  ports.panels->SetText(Panel::Board, IDC_BOARD_CODE, buf);
}

void ReadCoordinateCode(char*) {}

}  // namespace dz
