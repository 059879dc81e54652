#include <cstring>

#include "board/board.h"
#include "fake_ports.h"

namespace dz::testing {
namespace {

using PiecesTest = BoardTest;

TEST_F(PiecesTest, FreshPiecesAreInactiveWithTheirDefaults) {
  Character c;
  EXPECT_FALSE(c.IsActive());
  EXPECT_EQ(c.Alpha(), 255);
  EXPECT_STREQ(c.GetName(), "");
  EXPECT_EQ(c.IsMelee(), 0);
  Area a;
  EXPECT_FALSE(a.IsActive());
  EXPECT_EQ(a.Alpha(), 100);
  EXPECT_EQ(a.GetRadius(), 0);
}

}  // namespace
}  // namespace dz::testing

namespace dz::testing {
namespace {

TEST_F(PiecesTest, ContainsIsStrictOnAllFourSides) {
  Character c;
  c.SetPosition(10, 10);
  c.SetWidth(30);
  c.SetHeight(30);
  struct Case {
    std::int32_t x, y;
    bool inside;
  };
  const Case cases[] = {{11, 11, true},  {39, 39, true},  {10, 20, false},
                        {40, 20, false}, {20, 10, false}, {20, 40, false}};
  for (const Case& k : cases) EXPECT_EQ(c.Contains(k.x, k.y), k.inside) << k.x << "," << k.y;
  // Constructed and cleared pieces have no size and contain nothing.
  Area a;
  EXPECT_FALSE(a.Contains(0, 0));
}

TEST_F(PiecesTest, GetCenterTruncatesTheHalves) {
  Character c;
  c.SetPosition(1, 1);
  c.SetWidth(25);
  c.SetHeight(25);
  EXPECT_EQ(c.GetCenter(), (Point{13, 13}));
  c.SetWidth(30);
  c.SetHeight(30);
  EXPECT_EQ(c.GetCenter(), (Point{16, 16}));
  c.SetWidth(-25);  // toward zero, not downwards
  EXPECT_EQ(c.GetCenter().x, -11);
}

TEST_F(PiecesTest, ClearKeepsNameMeleeRadiusPictureSizeAndOpacity) {
  Character c;
  c.SetName("A");
  c.SetMelee(1);
  c.SetColor(MakeColor(255, 1, 1));
  c.SetPosition(31, 61);
  c.SetWidth(30);
  c.SetHeight(30);
  c.SetAlpha(150);
  c.Clear();
  EXPECT_STREQ(c.GetName(), "A");
  EXPECT_EQ(c.IsMelee(), 1);
  EXPECT_EQ(c.GetColor(), 0u);
  EXPECT_EQ(c.GetPosition(), (Point{0, 0}));
  EXPECT_EQ(c.GetWidth(), 0);
  EXPECT_EQ(c.GetHeight(), 0);
  EXPECT_EQ(c.Alpha(), 150);
  EXPECT_FALSE(c.IsActive());

  Area a;
  a.SetRadius(3);
  a.LoadBitmapFile("area.bmp");
  a.Clear();
  EXPECT_EQ(a.GetRadius(), 3);
  EXPECT_EQ(a.Image(), nullptr);
  EXPECT_EQ(a.Bitmap().bmWidth, 64);
  EXPECT_FALSE(a.IsActive());
}

TEST_F(PiecesTest, SetRadiusKeepsTheCentre) {
  gridSize = 30;
  Area a;
  a.SetPosition(100, 100);
  a.SetRadius(2);  // from 0: the corner moves 60 up and left
  EXPECT_EQ(a.GetPosition(), (Point{40, 40}));
  a.SetPosition(100, 100);  // centre (160, 160)
  a.SetRadius(4);
  EXPECT_EQ(a.GetPosition(), (Point{40, 40}));
  EXPECT_EQ(a.GetWidth(), 240);
  EXPECT_EQ(a.GetHeight(), 240);
  EXPECT_EQ(a.GetCenter(), (Point{160, 160}));

  gridSize = 20;
  Area b;
  b.SetRadius(2);
  b.SetPosition(200, 200);
  b.SetRadius(6);
  EXPECT_EQ(b.GetPosition(), (Point{120, 120}));
  EXPECT_EQ(b.GetWidth(), 240);
  EXPECT_EQ(b.GetRadius(), 6);
}

TEST_F(PiecesTest, SetRadiusWrapsInsteadOfOverflowing) {
  Area a;
  a.SetPosition(INT32_MIN, INT32_MAX);
  a.SetRadius(INT32_MAX);
  EXPECT_EQ(a.GetRadius(), INT32_MAX);
  EXPECT_EQ(a.GetWidth(), Mul32(Mul32(INT32_MAX, 30), 2));
}

TEST_F(PiecesTest, ActiveExactlyWithAPictureOrAColour) {
  Character c;
  c.SetColor(1);
  EXPECT_TRUE(c.IsActive());
  c.SetColor(0);
  EXPECT_FALSE(c.IsActive());
  c.LoadBitmapFile("shadow.bmp");
  EXPECT_TRUE(c.IsActive());
}

TEST_F(PiecesTest, LoadBitmapFileTakesThePictureAndItsSize) {
  Area a;
  a.SetColor(0);
  a.SetPosition(5, 6);
  a.LoadBitmapFile("area.bmp");
  ASSERT_NE(dynamic_cast<const FakePicture*>(a.Image()), nullptr);
  EXPECT_TRUE(dynamic_cast<const FakePicture*>(a.Image())->marked);
  EXPECT_EQ(a.Bitmap().bmWidth, 64);
  EXPECT_EQ(a.Bitmap().bmHeight, 64);
  EXPECT_EQ(a.GetPosition(), (Point{5, 6}));
  EXPECT_EQ(a.Alpha(), 100);
  a.LoadBitmapFile("shadow.bmp");  // replaces the previous picture
  EXPECT_EQ(dynamic_cast<const FakePicture*>(a.Image())->name, "shadow.bmp");
  EXPECT_EQ(a.Bitmap().bmWidth, 32);
  EXPECT_TRUE(fake.messages.errors.empty());
}

TEST_F(PiecesTest, FailedLoadIsReportedAndLeavesTheAreaActiveWithoutAPicture) {
  Area a;
  a.LoadBitmapFile("area.bmp");
  fake.pictures.available.clear();
  a.LoadBitmapFile("area.bmp");
  ASSERT_EQ(fake.messages.errors.size(), 1u);
  EXPECT_EQ(fake.messages.errors[0], "area.bmpの読み込みに失敗しました");
  EXPECT_TRUE(a.IsActive());
  EXPECT_EQ(dynamic_cast<const FakePicture*>(a.Image()), nullptr);  // an empty surface
  EXPECT_EQ(a.Bitmap().bmWidth, 64);                                // the previous size stays
  Character never;
  never.LoadBitmapFile("shadow.bmp");
  EXPECT_TRUE(never.IsActive());
  EXPECT_EQ(never.Bitmap().bmWidth, 0);
}

// Names keep at most 3 bytes and never end in half a double-byte character.
TEST(StoreNameTest, CutsAfterTheLastWholeCharacterThatFits) {
  struct Case {
    const char* text;
    const char* stored;
  };
  const char* const kA = "\x82\xa0";  // a double-byte character
  const Case cases[] = {
      {nullptr, ""},
      {"", ""},
      {"A", "A"},
      {"ABC", "ABC"},
      {"ABCD", "ABC"},
      {"\xb1\xb2\xb3\xb4", "\xb1\xb2\xb3"},  // half-width kana are single bytes
      {"\x82\xa0"
       "A",
       "\x82\xa0"
       "A"},
      {"A\x82\xa0", "A\x82\xa0"},
      {"AB\x82\xa0", "AB"},
      {"\x82\xa0\x82\xa0", kA},
      {"\x82\xa0\x82", kA},  // lone trailing lead byte
      {"\x82", ""},
      {"A\x82", "A"},
      {"AB\x82", "AB"},
      {"\xe0\x40\xfc\x40", "\xe0\x40"},  // lead bytes at both ends of the upper range
      {"\x81\x81\x81", "\x81\x81"},      // a lead byte as trail byte is whole
  };
  for (const Case& c : cases) {
    char field[kNameBytes + 1];
    std::memset(field, 'z', sizeof field);
    StoreName(field, c.text);
    EXPECT_STREQ(field, c.stored) << (c.text ? c.text : "(null)");
    EXPECT_EQ(field[kNameBytes], '\0');
  }
  Character ch;
  ch.SetName("ABCDEF");
  EXPECT_STREQ(ch.GetName(), "ABC");
}

}  // namespace
}  // namespace dz::testing
