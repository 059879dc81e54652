// The page's text boundary: code page 932 ⇄ UTF-8 as the Windows converter does it.
#include "web/text.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace dz::web {
namespace {

struct Pair {
  const char* cp932;
  const char* utf8;
};

// Both ways: the code page 932 bytes read as this text, and the text writes these bytes.
const Pair kRoundTrips[] = {
    {"A:1,2:r", "A:1,2:r"},
    {"\x90\xD4", u8"赤"},  // a colour name of the core
    {"\x90\x85\x90\x46", u8"水色"},
    {"\x81\x7E", u8"×"},           // the grid-size captions
    {"\xB1\xBA", u8"ｱｺ"},          // half-width katakana, single bytes
    {"\x81\x60", u8"～"},          // 0x8160 is the full-width tilde on Windows
    {"\x5C", "\\"},                // a backslash stays one, never a yen sign
    {"\x87\x40", u8"①"},           // NEC row 13
    {"\xF0\x40", "\xEE\x80\x80"},  // user-defined area → private use U+E000
    {"\x80", "\xC2\x80"},          // Windows' private single-byte mappings
    {"\xA0", "\xEF\xA3\xB0"},
    {"\xFD\xFE\xFF", "\xEF\xA3\xB1\xEF\xA3\xB2\xEF\xA3\xB3"},
};

TEST(Cp932Text, ReadsAndWritesTheSameBytes) {
  for (const Pair& p : kRoundTrips) {
    EXPECT_EQ(Cp932ToUtf8(p.cp932), p.utf8) << p.utf8;
    EXPECT_EQ(Utf8ToCp932(p.utf8), p.cp932) << p.utf8;
  }
}

// Characters with more than one code: the code Windows writes.
TEST(Cp932Text, WritesTheCodeWindowsPrefersForDuplicates) {
  const Pair kPreferred[] = {
      {"\x81\xCA", u8"￢"},                       // 0x81CA, not 0xEEF9 nor 0xFA54
      {"\x81\xE0", u8"≒"},                        // JIS row 2 before NEC row 13
      {"\x87\x8A", u8"㈱"},                       // NEC row 13 before the IBM extensions
      {"\x87\x54", u8"Ⅰ"},  {"\xFA\x40", u8"ⅰ"},  // the IBM extensions before the NEC-selected ones
      {"\xFA\x5C", u8"纊"},
  };
  for (const Pair& p : kPreferred) EXPECT_EQ(Utf8ToCp932(p.utf8), p.cp932) << p.utf8;
  // ...and every such code still reads back as that character.
  EXPECT_EQ(Cp932ToUtf8("\xEE\xF9\xFA\x54"), u8"￢￢");
  EXPECT_EQ(Cp932ToUtf8("\xED\x40"), u8"纊");
}

TEST(Cp932Text, EveryCharacterWrittenReadsBackAsItself) {
  int characters = 0;
  for (int lead = 0x81; lead <= 0xFC; ++lead) {
    if (lead >= 0xA0 && lead < 0xE0) continue;
    for (int trail = 0x40; trail <= 0xFC; ++trail) {
      if (trail == 0x7F) continue;
      const char code[3] = {static_cast<char>(lead), static_cast<char>(trail), 0};
      const std::string text = Cp932ToUtf8(code);
      if (text == u8"・" && !(lead == 0x81 && trail == 0x45)) continue;  // no character
      ++characters;
      const std::string written = Utf8ToCp932(text.c_str());
      ASSERT_EQ(written.size(), 2u) << std::hex << lead << trail;
      EXPECT_EQ(Cp932ToUtf8(written.c_str()), text) << std::hex << lead << trail;
    }
  }
  EXPECT_EQ(characters, 9604);  // the double-byte characters of code page 932
}

TEST(Cp932Text, BrokenBytesReadAsTheMiddleDot) {
  const Pair kBroken[] = {
      {"\x81", u8"・"},      // a lead byte at the end
      {"\x81 A", u8"・ A"},  // a lead byte before a byte that cannot follow it
      {"\x85\x40", u8"・"},  // a pair that is no character
      {"A\x9F", u8"A・"},
  };
  for (const Pair& p : kBroken) EXPECT_EQ(Cp932ToUtf8(p.cp932), p.utf8) << p.utf8;
  EXPECT_EQ(Cp932ToUtf8(nullptr), "");
}

TEST(Cp932Text, WhatCodePage932LacksBecomesAQuestionMark) {
  const Pair kLacking[] = {
      {"?", u8"¥"},   // never the backslash look-alike
      {"?", u8"〜"},  // U+301C, the wave dash of other systems
      {"?", u8"😀"},   // beyond the BMP: one mark for the character
      {"A?B", u8"A한B"},
      {"?", "\xED\xA0\x80"},  // a lone surrogate from the page: one mark
      {"??", "\xC0\x80"},     // overlong NUL: one mark per byte read as none
      {"?", "\x80"},          // a stray continuation byte
      {"??A",
       "\xE3\x81"
       "A"},  // a cut sequence
  };
  for (const Pair& p : kLacking) EXPECT_EQ(Utf8ToCp932(p.utf8), p.cp932) << p.utf8;
  EXPECT_EQ(Utf8ToCp932(nullptr), "");
}

TEST(Cp932Text, BufferIsCutAfterAWholeCharacter) {
  struct Cut {
    const char* utf8;
    int size;
    const char* expected;
  };
  const Cut kCuts[] = {
      {u8"あいう", 7, "\x82\xA0\x82\xA2\x82\xA4"},
      {u8"あいう", 6, "\x82\xA0\x82\xA2"},
      {u8"あいう", 5, "\x82\xA0\x82\xA2"},
      {u8"あいう", 4, "\x82\xA0"},
      {u8"Aあ", 3, "A"},
      {u8"Aあ", 1, ""},
      {u8"ｱｲ", 2, "\xB1"},
  };
  for (const Cut& c : kCuts) {
    char buf[16];
    std::memset(buf, 'x', sizeof buf);
    const int n = Utf8ToCp932(c.utf8, buf, c.size);
    EXPECT_STREQ(buf, c.expected) << c.utf8 << " in " << c.size;
    EXPECT_EQ(n, static_cast<int>(std::strlen(c.expected)));
  }
  char one[1] = {'x'};
  EXPECT_EQ(Utf8ToCp932("A", one, 1), 0);
  EXPECT_EQ(one[0], '\0');
  EXPECT_EQ(Utf8ToCp932("A", nullptr, 4), 0);
  EXPECT_EQ(Utf8ToCp932("A", one, 0), 0);
}

}  // namespace
}  // namespace dz::web
