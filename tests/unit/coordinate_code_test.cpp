#include "code/coordinate_code.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "board/board.h"
#include "fake_ports.h"
#include "panels/ids.h"

namespace dz::testing {
namespace {

using CoordinateCodeTest = BoardTest;

constexpr COLORREF kRed = MakeColor(255, 1, 1);
constexpr COLORREF kGreen = MakeColor(1, 255, 1);
constexpr COLORREF kBlue = MakeColor(1, 1, 255);

std::string Build() {
  char buf[kCodeSize];
  const int n = BuildCoordinateCode(buf);
  EXPECT_EQ(n, static_cast<int>(std::strlen(buf)));
  return buf;
}

// Reads a code from a writable copy, as the board panel does with its input buffer.
void Read(const std::string& code) {
  char buf[kCodeSize] = {};
  code.copy(buf, kCodeSize - 1);
  ReadCoordinateCode(buf);
}

int ActiveCharacters() {
  int n = 0;
  for (const Character& c : characters) n += c.IsActive() ? 1 : 0;
  return n;
}

int ActiveAreas() {
  int n = 0;
  for (const Area& a : areas) n += a.IsActive() ? 1 : 0;
  return n;
}

// Character slot 0 "A" at (1, 1) red; slot 3 "D" at (91, 61) blue in the melee; area slot 1
// at (-14, -14) with radius 2; grid size 30.
void SetUpWorkedExample() {
  gridSize = 30;
  characters[0].SetName("A");
  characters[0].SetPosition(1, 1);
  characters[0].SetColor(kRed);
  characters[3].SetName("D");
  characters[3].SetPosition(91, 61);
  characters[3].SetColor(kBlue);
  characters[3].SetMelee(1);
  areas[1].SetRadius(2);
  areas[1].SetPosition(-14, -14);
  areas[1].LoadBitmapFile("area.bmp");
}

constexpr char kWorkedExample[] = "A:1,1:r D:91,61:b; rb:-14,-14:2";

TEST_F(CoordinateCodeTest, TheWriterGivesTheEmptyTextAndTheWorkedExample) {
  EXPECT_EQ(Build(), "");
  SetUpWorkedExample();
  EXPECT_EQ(Build(), kWorkedExample);
}

TEST_F(CoordinateCodeTest, WriterTakesLettersFromColorIndexOfAndSkipsInactiveSlots) {
  characters[2].SetName("x y");  // a space in a name is written as it is
  characters[2].SetPosition(-5, 0);
  characters[2].SetColor(kWhite);  // not a table colour: index 3, "y"
  characters[5].SetName("");
  characters[5].SetPosition(7, 8);
  characters[5].SetColor(kGreen);
  characters[5].SetMelee(1);
  EXPECT_EQ(Build(), "x y:-5,0:y :7,8:g;");
}

TEST_F(CoordinateCodeTest, FullBoardWithLongestNumbersNeedsExactly1000Bytes) {
  for (Character& c : characters) {
    c.SetName("ABC");
    c.SetPosition(INT32_MIN, INT32_MIN);
    c.SetColor(kRed);
    c.SetMelee(1);
  }
  for (Area& a : areas) {
    a.SetRadius(INT32_MIN);
    a.SetPosition(INT32_MIN, INT32_MIN);
    a.LoadBitmapFile("area.bmp");
  }
  const std::string code = Build();
  EXPECT_EQ(code.size(), 1000u);
  EXPECT_EQ(code.substr(0, 32), "ABC:-2147483648,-2147483648:r; A");
  EXPECT_EQ(code.substr(code.size() - 38), "rb:-2147483648,-2147483648:-2147483648");
  std::string copy = code;
  Read(copy);
  EXPECT_EQ(Build(), code);
}

TEST_F(CoordinateCodeTest, WorkedExampleReadsBackAndRewritesTheSameCode) {
  char buf[kCodeSize] = {};
  std::strcpy(buf, kWorkedExample);
  characters[7].SetColor(kGreen);  // cleared by the read
  areas[4].LoadBitmapFile("area.bmp");
  selectedCharacter = 7;
  shadow.SetPosition(50, 50);

  ReadCoordinateCode(buf);

  // Cut in place: every separator found became a terminator.
  EXPECT_STREQ(buf, "A");
  EXPECT_STREQ(buf + 8, "D");
  EXPECT_STREQ(buf + 16, "b;");
  EXPECT_STREQ(buf + 19, "rb");
  EXPECT_STREQ(buf + 30, "2");

  EXPECT_STREQ(characters[0].GetName(), "A");
  EXPECT_EQ(characters[0].GetColor(), kRed);
  EXPECT_EQ(characters[0].IsMelee(), 0);
  EXPECT_EQ(characters[0].GetPosition(), (Point{1, 1}));
  EXPECT_EQ(characters[0].GetWidth(), 30);
  EXPECT_EQ(characters[0].GetHeight(), 30);
  EXPECT_STREQ(characters[1].GetName(), "D");
  EXPECT_EQ(characters[1].GetColor(), kBlue);
  EXPECT_EQ(characters[1].IsMelee(), 1);
  EXPECT_EQ(characters[1].GetPosition(), (Point{91, 61}));
  EXPECT_EQ(areas[0].GetPosition(), (Point{-14, -14}));
  EXPECT_EQ(areas[0].GetRadius(), 2);
  EXPECT_EQ(areas[0].GetWidth(), 120);
  EXPECT_EQ(areas[0].GetHeight(), 120);
  ASSERT_NE(dynamic_cast<const FakePicture*>(areas[0].Image()), nullptr);
  EXPECT_EQ(dynamic_cast<const FakePicture*>(areas[0].Image())->name, "area.bmp");
  EXPECT_EQ(ActiveCharacters(), 2);
  EXPECT_EQ(ActiveAreas(), 1);

  EXPECT_EQ(selectedCharacter, 7);  // the selection stays
  EXPECT_EQ(shadow.GetPosition(), (Point{-100, -100}));
  EXPECT_EQ(Build(), kWorkedExample);
}

TEST_F(CoordinateCodeTest, ReadingTheEmptyTextChangesNothing) {
  SetUpWorkedExample();
  shadow.SetPosition(5, 6);
  selectedArea = 1;
  char buf[kCodeSize] = {};
  ReadCoordinateCode(buf);
  EXPECT_EQ(Build(), kWorkedExample);
  EXPECT_EQ(shadow.GetPosition(), (Point{5, 6}));
  EXPECT_EQ(selectedArea, 1);
  EXPECT_TRUE(fake.panels.notifications.empty());  // the input field was not touched
}

TEST_F(CoordinateCodeTest, TokensFillTheirPoolsInTextOrder) {
  Read("rb:0,0:2 A:1,1:r rb:5,6:3 B:2,2:g;");
  EXPECT_STREQ(characters[0].GetName(), "A");
  EXPECT_STREQ(characters[1].GetName(), "B");
  EXPECT_EQ(characters[1].IsMelee(), 1);
  EXPECT_EQ(areas[0].GetRadius(), 2);
  EXPECT_EQ(areas[1].GetPosition(), (Point{5, 6}));
  EXPECT_EQ(areas[1].GetRadius(), 3);
  EXPECT_EQ(Build(), "A:1,1:r B:2,2:g; rb:0,0:2 rb:5,6:3");
}

TEST_F(CoordinateCodeTest, ReadingSetsEveryAttributeAgainOnReusedSlots) {
  characters[0].SetMelee(1);
  characters[0].SetName("old");
  areas[0].SetRadius(6);
  areas[0].SetPosition(300, 300);
  gridSize = 20;  // a code written at 30 keeps its pixels at 20
  Read("A:31,61:r rb:100,100:2");
  EXPECT_EQ(characters[0].IsMelee(), 0);
  EXPECT_STREQ(characters[0].GetName(), "A");
  EXPECT_EQ(characters[0].GetPosition(), (Point{31, 61}));
  EXPECT_EQ(characters[0].GetWidth(), 20);
  EXPECT_EQ(areas[0].GetPosition(), (Point{100, 100}));
  EXPECT_EQ(areas[0].GetWidth(), 80);
  EXPECT_EQ(areas[0].GetCenter(), (Point{140, 140}));
}

TEST_F(CoordinateCodeTest, UnknownColourLetterLeavesAHitTestableInactiveSlot) {
  Read("A:10,10:R B:40,40:x C:70,70:b");
  EXPECT_FALSE(characters[0].IsActive());  // upper case matches nothing
  EXPECT_FALSE(characters[1].IsActive());
  EXPECT_TRUE(characters[0].Contains(11, 11));
  EXPECT_STREQ(characters[1].GetName(), "B");
  EXPECT_STREQ(characters[2].GetName(), "C");  // the slots were used up all the same
  EXPECT_EQ(characters[2].GetColor(), kBlue);
  EXPECT_EQ(FindFreeCharacter(), 0);
  EXPECT_EQ(Build(), "C:70,70:b");
}

TEST_F(CoordinateCodeTest, NamesAsStoredCodesUseThem) {
  Read("rbx:1,2:r");  // a name beginning with "rb" is an area
  EXPECT_EQ(ActiveCharacters(), 0);
  EXPECT_EQ(areas[0].GetPosition(), (Point{1, 2}));
  EXPECT_EQ(areas[0].GetRadius(), 0);

  Read(":3,4:g A B:5,6:r;");  // empty name, and a name with a space, last in the melee
  EXPECT_STREQ(characters[0].GetName(), "");
  EXPECT_STREQ(characters[1].GetName(), "A B");
  EXPECT_EQ(characters[1].IsMelee(), 1);
  EXPECT_EQ(Build(), ":3,4:g A B:5,6:r;");

  Read("a:b:1,2:r");  // a ":" inside a name moves the fields: x reads "b:1", y "2"
  EXPECT_STREQ(characters[0].GetName(), "a");
  EXPECT_EQ(characters[0].GetPosition(), (Point{0, 2}));
  EXPECT_EQ(Build(), "a:0,2:r");
}

TEST_F(CoordinateCodeTest, LongNamesAreCutToThreeBytes) {
  Read("ABCDE:1,1:r \x82\xa0\x82\xa2:2,2:g AB\x82\xa0:3,3:b");
  EXPECT_STREQ(characters[0].GetName(), "ABC");
  EXPECT_STREQ(characters[1].GetName(), "\x82\xa0");
  EXPECT_STREQ(characters[2].GetName(), "AB");
}

TEST_F(CoordinateCodeTest, AreaRadiusIsNotRangeChecked) {
  Read("rb:10,10:99 rb:0,0:-3 rb:0,0:");
  EXPECT_EQ(areas[0].GetRadius(), 99);
  EXPECT_EQ(areas[0].GetPosition(), (Point{10, 10}));
  EXPECT_EQ(areas[1].GetRadius(), -3);
  EXPECT_EQ(areas[2].GetRadius(), 0);
  EXPECT_EQ(Build(), "rb:10,10:99 rb:0,0:-3 rb:0,0:0");
}

TEST_F(CoordinateCodeTest, MissingAreaPictureIsReportedOncePerAreaAndReadingGoesOn) {
  fake.pictures.available.erase("area.bmp");
  Read("rb:0,0:2 A:1,1:r rb:5,5:3");
  EXPECT_EQ(fake.messages.errors.size(), 2u);
  EXPECT_EQ(fake.messages.errors[0], "area.bmpの読み込みに失敗しました");
  EXPECT_EQ(ActiveAreas(), 2);
  EXPECT_EQ(ActiveCharacters(), 1);
}

TEST(ReadCodeNumberTest, ReadsLikeStrtolAndSaturates) {
  struct Case {
    const char* text;
    std::int32_t value;
  };
  const Case cases[] = {
      {"0", 0},
      {"91", 91},
      {"-14", -14},
      {"+7", 7},
      {" \t\n\v\f\r12", 12},
      {"  -3x", -3},
      {"12abc", 12},
      {"", 0},
      {"x5", 0},
      {"-", 0},
      {"+-3", 0},
      {"- 3", 0},
      {"2147483647", INT32_MAX},
      {"2147483648", INT32_MAX},
      {"-2147483648", INT32_MIN},
      {"-2147483649", INT32_MIN},
      {"4294967296", INT32_MAX},
      {"-4294967297", INT32_MIN},
      {"99999999999999999999999999999999", INT32_MAX},
      {"-99999999999999999999999999999999", INT32_MIN},
      {"0000000000000000000000000000042", 42},
  };
  for (const Case& c : cases) EXPECT_EQ(ReadCodeNumber(c.text), c.value) << '"' << c.text << '"';
}

std::string Repeat(const std::string& s, int n) {
  std::string r;
  for (int i = 0; i < n; ++i) r += s;
  return r;
}

// Texts that do not fit the format: the reader clears the board, keeps every well-formed
// token it has room for, leaves out the rest, and never fails.
TEST_F(CoordinateCodeTest, HostileTextsAreReadSafely) {
  struct Case {
    std::string text;
    std::string rewritten;
    int hitTestable;  // character slots that got a box
  };
  const std::string tooLong = Repeat("x", kCodeSize - 1);
  const std::vector<Case> cases = {
      {"abc", "", 0},
      {" ", "", 0},
      {":", "", 0},
      {":,", "", 0},
      {"A:1", "", 0},
      {"A:1,2", "", 0},
      {"A:1,2:r B:3", "A:1,2:r", 1},    // a torn last token is left out
      {"A:1,2:r ", "A:1,2:r", 1},       // the empty token after a trailing space
      {"A:1,2:r  ", "A:1,2:r", 1},      // a name of one space, torn
      {"A:1,2:", "", 1},                // empty tail: no colour, melee 0
      {"A:1,2:;", "", 1},               // no letter, and the ";" is not the second
      {"A:1,2:r;;;", "A:1,2:r;", 1},    // tail beyond the mark is ignored
      {"A:,:g", "A:0,0:g", 1},          // empty numbers read as 0
      {"A: +5,\t-6:g", "A:5,-6:g", 1},  // blanks and signs before the digits
      {"A:1,2:r,3:4", "A:1,2:r", 1},    // "," and ":" in the tail stay in it
      {"A:99999999999,-99999999999:r", "A:2147483647,-2147483648:r", 1},
      {"\x82:1,1:r", ":1,1:r", 1},  // a lone lead byte is not stored
      {tooLong, "", 0},
      {Repeat(":", 1023), "", 0},
      {Repeat(",", 1023), "", 0},
      {Repeat("A:,:r ", 170), Repeat("A:0,0:r ", 25) + "A:0,0:r", 26},
      {Repeat("rb:,:2 ", 146), Repeat("rb:0,0:2 ", 4) + "rb:0,0:2", 0},
      {Repeat(":,: ", 255), "", 26},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    ResetBoardState();
    characters[25].SetColor(kRed);
    Read(c.text);
    EXPECT_EQ(Build(), c.rewritten);
    int boxes = 0;
    for (const Character& ch : characters) {
      boxes += ch.GetWidth() != 0 ? 1 : 0;
      EXPECT_EQ(ch.IsMelee() & ~1, 0);
    }
    EXPECT_EQ(boxes, c.hitTestable);
    EXPECT_EQ(shadow.GetPosition(), (Point{-100, -100}));
    EXPECT_EQ(fake.panels.Text(Panel::Board, IDC_BOARD_INPUT), "");
  }
}

TEST_F(CoordinateCodeTest, SurplusTokensOfEachKindAreDropped) {
  // 30 characters, then 5 areas: 35 tokens, more than the 31 in all that the pools hold.
  std::string code;
  for (int i = 0; i < 30; ++i) code += "C" + std::to_string(i) + ":" + std::to_string(i) + ",0:g ";
  code += Repeat("rb:1,1:3 ", 5) + "rb:9,9:9";
  Read(code);
  EXPECT_EQ(ActiveCharacters(), 26);
  EXPECT_EQ(ActiveAreas(), 5);
  EXPECT_STREQ(characters[25].GetName(), "C25");
  for (const Area& a : areas) EXPECT_EQ(a.GetRadius(), 3);  // the sixth area was dropped
}

}  // namespace
}  // namespace dz::testing
