#include "board/board.h"

#include <string>

#include "fake_ports.h"

namespace dz::testing {
namespace {

using BoardStateTest = BoardTest;

TEST_F(BoardStateTest, FreeSlotSearchesFindTheFirstInactiveSlot) {
  EXPECT_EQ(FindFreeCharacter(), 0);
  EXPECT_EQ(FindFreeArea(), 0);
  for (int i = 0; i < 3; ++i) characters[i].SetColor(MarkerColor(0));
  characters[1].Clear();
  EXPECT_EQ(FindFreeCharacter(), 1);
  for (Character& c : characters) c.SetColor(MarkerColor(2));
  EXPECT_EQ(FindFreeCharacter(), -1);
  for (Area& a : areas) a.LoadBitmapFile("area.bmp");
  EXPECT_EQ(FindFreeArea(), -1);
  areas[3].Clear();
  EXPECT_EQ(FindFreeArea(), 3);
}

// The boxes that hit tests and centres use follow the grid size at once, for the pieces on
// the board only; positions stay.
TEST_F(BoardStateTest, TheGridSizeFitsTheBoxesOfThePiecesOnTheBoard) {
  characters[0].SetColor(MarkerColor(0));
  characters[0].SetPosition(31, 61);
  characters[1].SetPosition(5, 5);  // not on the board
  shadow.LoadBitmapFile("shadow.bmp");
  areas[0].LoadBitmapFile("area.bmp");
  areas[0].SetRadius(3);
  areas[0].SetPosition(100, 100);
  areas[1].SetRadius(2);  // no picture: not on the board
  SetGridSize(20);
  EXPECT_EQ(gridSize, 20);
  struct Case {
    const Marker& piece;
    std::int32_t side;
  };
  for (const Case& c :
       {Case{characters[0], 20}, Case{shadow, 20}, Case{characters[1], 0}, Case{areas[0], 120},
        Case{areas[1], 120}}) {  // areas[1]: as SetRadius left it at 30
    EXPECT_EQ(c.piece.GetWidth(), c.side);
    EXPECT_EQ(c.piece.GetHeight(), c.side);
  }
  EXPECT_EQ(characters[0].GetPosition(), (Point{31, 61}));
  EXPECT_EQ(areas[0].GetCenter(), (Point{160, 160}));
}

TEST_F(BoardStateTest, ClearBoardEmptiesThePoolsAndParksTheShadow) {
  for (Character& c : characters) {
    c.SetColor(MarkerColor(1));
    c.SetName("Q");
  }
  for (Area& a : areas) a.LoadBitmapFile("area.bmp");
  shadow.LoadBitmapFile("shadow.bmp");
  shadow.SetPosition(31, 31);
  selectedCharacter = 4;
  gridSize = 40;
  ClearBoard();
  for (const Character& c : characters) {
    EXPECT_FALSE(c.IsActive());
    EXPECT_STREQ(c.GetName(), "Q");
  }
  for (const Area& a : areas) EXPECT_FALSE(a.IsActive());
  EXPECT_EQ(shadow.GetPosition(), (Point{-100, -100}));
  EXPECT_TRUE(shadow.IsActive());  // the shadow keeps its picture
  EXPECT_EQ(selectedCharacter, 4);
  EXPECT_EQ(gridSize, 40);
}

TEST_F(BoardStateTest, ColorIndexOfLooksOnlyAtComponentsOf255) {
  for (int i = 0; i < kColorCount; ++i) EXPECT_EQ(ColorIndexOf(MarkerColor(i)), i);
  struct Case {
    int r, g, b;
    std::int32_t index;
  };
  const Case cases[] = {
      {255, 1, 1, 0}, {0, 0, 255, 2}, {255, 0, 255, 5}, {255, 255, 255, 3}, {254, 254, 254, 0},
      {0, 0, 0, 0},   {0, 255, 0, 1}, {0, 255, 255, 4}, {255, 255, 0, 3},   {128, 255, 200, 1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ColorIndexOf(MakeColor(c.r, c.g, c.b)), c.index) << c.r << "," << c.g << "," << c.b;
  }
}

TEST_F(BoardStateTest, TablesHoldTheirFixedEntries) {
  EXPECT_EQ(MarkerColor(0), 66047u);
  EXPECT_EQ(MarkerColor(4), MakeColor(1, 255, 255));
  EXPECT_STREQ(defaultNames[0], "A");
  EXPECT_STREQ(defaultNames[25], "Z");
  EXPECT_STREQ(radiusChoices[4], "6m");
  const std::int32_t sizes[] = {20, 25, 30, 40};
  for (int i = 0; i < kGridChoiceCount; ++i) {
    EXPECT_EQ(gridChoices[i].size, sizes[i]);
    EXPECT_EQ(600 % gridChoices[i].size, 0);
  }
  EXPECT_EQ(std::string(gridChoices[2].caption), "30×30(20×20)");
  std::string letters;
  for (const char* l : colorLetters) letters += l;
  EXPECT_EQ(letters, "rgbywp");
  EXPECT_STREQ(colorNames[4], "水色");
}

TEST_F(BoardStateTest, StartStateOfTheProcess) {
  EXPECT_EQ(gridSize, 30);
  EXPECT_EQ(selectedCharacter, -1);
  EXPECT_EQ(selectedArea, -1);
  EXPECT_EQ(dragging, 0);
  EXPECT_EQ(measuring, 0);
  for (const Character& c : characters) {
    EXPECT_FALSE(c.IsActive());
    EXPECT_EQ(c.Alpha(), 255);
  }
  for (const Area& a : areas) {
    EXPECT_FALSE(a.IsActive());
    EXPECT_EQ(a.Alpha(), 100);
  }
}

}  // namespace
}  // namespace dz::testing
