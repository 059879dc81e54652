// Code page 932 (Shift-JIS) text: every text inside the program is in it.
#pragma once

namespace dz {

// True for a code page 932 lead byte (0x81–0x9F, 0xE0–0xFC).
constexpr bool IsLeadByte(unsigned char c) {
  return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

// The length of the longest start of the terminated `text` that has at most `limit` bytes
// and ends after a whole character: a lead byte counts only together with the byte after
// it, so a lead byte just before the terminator or the limit is left out. Null gives 0.
int WholeCharacterPrefix(const char* text, int limit);

}  // namespace dz
