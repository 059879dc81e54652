#include "web/text.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <iterator>

#include "base/cp932.h"

namespace dz::web {
namespace {

#include "cp932_table.inc"

constexpr std::uint32_t kNoCharacter = 0x30FB;  // what Windows shows for a broken pair

bool IsTrailByte(unsigned char c) {
  return c >= 0x40 && c <= 0xFC && c != 0x7F;
}

int LeadIndex(unsigned char c) {
  return c <= 0x9F ? c - 0x81 : c - 0xE0 + 0x1F;
}

std::uint32_t SingleByte(unsigned char c) {
  if (c < 0x80) return c;
  if (c == 0x80) return 0x80;
  if (c == 0xA0) return 0xF8F0;
  if (c >= 0xA1 && c <= 0xDF) return 0xFF61 + (c - 0xA1);
  return 0xF8F1 + (c - 0xFD);  // 0xFD-0xFF
}

void AppendUtf8(std::string& out, std::uint32_t u) {
  if (u < 0x80) {
    out += static_cast<char>(u);
  } else if (u < 0x800) {
    out += static_cast<char>(0xC0 | (u >> 6));
    out += static_cast<char>(0x80 | (u & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (u >> 12));
    out += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (u & 0x3F));
  }
}

// Reads one code point at s[i]; advances i. Malformed input (stray continuation bytes,
// overlong forms, a cut sequence) reads as U+FFFD one byte at a time. A lone surrogate
// (the page's strings may hold one) reads as itself, and like every character that code
// page 932 lacks it is written as one '?'.
std::uint32_t NextCodePoint(const unsigned char* s, std::size_t& i) {
  const unsigned char c = s[i];
  int extra = 0;
  std::uint32_t u = 0;
  std::uint32_t least = 0;
  if (c < 0x80) {
    ++i;
    return c;
  } else if ((c & 0xE0) == 0xC0) {
    extra = 1, u = c & 0x1F, least = 0x80;
  } else if ((c & 0xF0) == 0xE0) {
    extra = 2, u = c & 0x0F, least = 0x800;
  } else if ((c & 0xF8) == 0xF0) {
    extra = 3, u = c & 0x07, least = 0x10000;
  } else {
    ++i;
    return 0xFFFD;
  }
  for (int k = 1; k <= extra; ++k) {
    if ((s[i + k] & 0xC0) != 0x80) {
      ++i;
      return 0xFFFD;
    }
    u = (u << 6) | (s[i + k] & 0x3F);
  }
  if (u < least || u > 0x10FFFF) {
    ++i;
    return 0xFFFD;
  }
  i += static_cast<std::size_t>(extra) + 1;
  return u;
}

// The code page 932 code of a code point: one byte below 0x100, else two; 0 when none.
std::uint32_t ToCode(std::uint32_t u) {
  if (u < 0x80) return u;
  if (u > 0xFFFF) return 0;
  const std::uint32_t key = u << 16;
  const std::uint32_t* end = std::end(kToCp932);
  const std::uint32_t* at = std::lower_bound(std::begin(kToCp932), end, key);
  if (at == end || (*at >> 16) != u) return 0;
  return *at & 0xFFFF;
}

}  // namespace

std::string Cp932ToUtf8(const char* text) {
  std::string out;
  if (text == nullptr) return out;
  const auto* s = reinterpret_cast<const unsigned char*>(text);
  for (std::size_t i = 0; s[i] != 0;) {
    const unsigned char c = s[i];
    if (!IsLeadByte(c)) {
      AppendUtf8(out, SingleByte(c));
      ++i;
      continue;
    }
    const unsigned char t = s[i + 1];
    if (!IsTrailByte(t)) {  // the lead byte alone; a terminator or other byte follows
      AppendUtf8(out, kNoCharacter);
      ++i;
      continue;
    }
    const std::uint16_t unit = kDoubleByte[LeadIndex(c) * kTrailCount + (t - 0x40)];
    AppendUtf8(out, unit != 0 ? unit : kNoCharacter);
    i += 2;
  }
  return out;
}

std::string Utf8ToCp932(const char* utf8) {
  std::string out;
  if (utf8 == nullptr) return out;
  const auto* s = reinterpret_cast<const unsigned char*>(utf8);
  for (std::size_t i = 0; s[i] != 0;) {
    const std::uint32_t code = ToCode(NextCodePoint(s, i));
    if (code == 0) {
      out += '?';
    } else if (code > 0xFF) {
      out += static_cast<char>(code >> 8);
      out += static_cast<char>(code & 0xFF);
    } else {
      out += static_cast<char>(code);
    }
  }
  return out;
}

int Utf8ToCp932(const char* utf8, char* buf, int size) {
  if (buf == nullptr || size <= 0) return 0;
  const std::string all = Utf8ToCp932(utf8);
  const int n = WholeCharacterPrefix(all.c_str(), size - 1);
  std::memcpy(buf, all.data(), static_cast<std::size_t>(n));
  buf[n] = '\0';
  return n;
}

}  // namespace dz::web
