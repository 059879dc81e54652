// The coordinate code: every active character and area of the board as one line of text.
//
//   A:1,1:r D:91,61:b; rb:-14,-14:2
//
// A character token is name ":" x "," y ":" colour letter, with ";" after the letter when
// the character is in the melee; an area token is "rb:" x "," y ":" radius. Positions are
// the top-left corners in board pixels. Tokens are joined by single spaces: characters in
// pool order, then areas in pool order.
#include "code/coordinate_code.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "board/board.h"

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

std::int32_t ReadCodeNumber(const char* text) {
  const char* p = text;
  while (*p == ' ' || (*p >= '\t' && *p <= '\r')) ++p;
  bool negative = false;
  if (*p == '+' || *p == '-') {
    negative = (*p == '-');
    ++p;
  }
  // Accumulates the magnitude, stopping once it is past every 32-bit value.
  std::int64_t value = 0;
  for (; *p >= '0' && *p <= '9'; ++p) {
    if (value <= INT64_C(0x100000000)) value = value * 10 + (*p - '0');
  }
  if (negative) value = -value;
  if (value > INT32_MAX) return INT32_MAX;
  if (value < INT32_MIN) return INT32_MIN;
  return static_cast<std::int32_t>(value);
}

namespace {

// One token of a code, cut up in place: four terminated fields.
struct Token {
  const char* head;
  const char* x;
  const char* y;
  const char* tail;
  bool area;
};

bool IsAreaHead(const char* head) {
  return head[0] == 'r' && head[1] == 'b';
}

}  // namespace

void ReadCoordinateCode(char* text) {
  if (text == nullptr || text[0] == '\0') return;

  // Cut the text into tokens. The separators are searched for one after the other from
  // the token's start; the space that ends a token is searched for only from its tail on,
  // so a name may hold spaces. A token that lacks one of its separators runs to the end
  // of the text (each search went there), so it is the last one; it is left out.
  // Each kind of token has room for its pool; surplus tokens of a kind are left out.
  Token tokens[kCharacterCount + kAreaCount];
  int tokenCount = 0;
  int charCount = 0;
  int areaCount = 0;
  char* p = text;
  while (p != nullptr) {
    char* headEnd = std::strchr(p, ':');
    if (headEnd == nullptr) break;
    char* xEnd = std::strchr(headEnd + 1, ',');
    if (xEnd == nullptr) break;
    char* yEnd = std::strchr(xEnd + 1, ':');
    if (yEnd == nullptr) break;
    *headEnd = '\0';
    *xEnd = '\0';
    *yEnd = '\0';
    char* tail = yEnd + 1;
    char* tailEnd = std::strchr(tail, ' ');
    char* next = nullptr;
    if (tailEnd != nullptr) {
      *tailEnd = '\0';
      next = tailEnd + 1;
    }
    const bool area = IsAreaHead(p);
    int& count = area ? areaCount : charCount;
    if (count < (area ? kAreaCount : kCharacterCount)) {
      ++count;
      tokens[tokenCount++] = Token{p, headEnd + 1, xEnd + 1, tail, area};
    }
    p = next;
  }

  for (Character& c : characters) c.Clear();
  for (Area& a : areas) a.Clear();

  // Tokens are applied in text order; each kind fills its own pool from slot 0.
  int nextCharacter = 0;
  int nextArea = 0;
  for (int i = 0; i < tokenCount; ++i) {
    const Token& t = tokens[i];
    if (t.area) {
      Area& a = areas[nextArea++];
      a.SetRadius(ReadCodeNumber(t.tail));
      a.SetPosition(ReadCodeNumber(t.x), ReadCodeNumber(t.y));
      if (!a.IsActive()) a.LoadBitmapFile("area.bmp");
      continue;
    }
    Character& c = characters[nextCharacter++];
    // An empty tail has no melee mark.
    c.SetMelee(t.tail[0] != '\0' && t.tail[1] == ';' ? 1 : 0);
    c.SetWidth(CharacterSize());
    c.SetHeight(CharacterSize());
    c.SetName(t.head);
    c.SetPosition(ReadCodeNumber(t.x), ReadCodeNumber(t.y));
    // An unknown letter sets no colour: the slot stays inactive but keeps its box and has
    // used up its place.
    for (int k = 0; k < kColorCount; ++k) {
      if (t.tail[0] != '\0' && t.tail[0] == colorLetters[k][0]) {
        c.SetColor(MarkerColor(k));
        break;
      }
    }
  }

  shadow.SetPosition(kParked, kParked);
}

}  // namespace dz
