#include "render/measure_line.h"

#include <gmock/gmock.h>

#include <climits>

#include "fake_ports.h"
#include "recording_canvas.h"
#include "render/distances.h"
#include "render_board.h"

namespace dz::testing {
namespace {

using ::testing::ElementsAre;

constexpr Pen kLinePen{PenStyle::Solid, 1, kBlack};
constexpr Pen kSnapPen{PenStyle::Solid, 2, MakeColor(255, 0, 0)};

class MeasureLineTest : public BoardTest {
 protected:
  void SetUp() override {
    BoardTest::SetUp();
    fake.menu.checked[IDM_SNAP] = true;
    fake.menu.checked[IDM_LINE_DISTANCES] = true;
    TickRounding(fake.menu, IDM_ROUND_HALF_UP);
  }
  void SelectCentredAt(std::int32_t cx, std::int32_t cy, std::int32_t melee = 0) {
    CharacterCentredAt(0, cx, cy, melee);
    selectedCharacter = 0;
  }
  // The board of the perpendicular examples: origin (100, 100), pointer on the same row.
  void RowBoard(std::int32_t pointerX) {
    fake.menu.checked[IDM_SNAP] = false;
    SelectCentredAt(100, 100);
    fake.cursor.position = Point{pointerX, 100};
  }
  std::vector<std::string> Draw() {
    canvas.ClearOps();
    DrawMeasureLine(canvas);
    EXPECT_EQ(canvas.Problems(), "");
    return canvas.Trace();
  }
  RecordingCanvas canvas;
};

TEST_F(MeasureLineTest, PointerSnapsToTheCentreOfItsCellWithASquare) {
  struct Case {
    std::int32_t grid;
    Point pointer;
    Point end;
    std::string square;
  };
  for (const Case& c : {Case{30, {100, 70}, {106, 76}, "Rectangle(92,62,120,90)"},
                        Case{30, {29, 29}, {16, 16}, "Rectangle(2,2,30,30)"},
                        Case{40, {29, 29}, {21, 21}, "Rectangle(2,2,40,40)"},
                        Case{20, {29, 29}, {31, 31}, "Rectangle(22,22,40,40)"},
                        Case{25, {29, 29}, {38, 38}, "Rectangle(27,27,49,49)"},
                        Case{30, {-10, 5}, {16, 16}, "Rectangle(2,2,30,30)"}}) {
    SCOPED_TRACE(::testing::Message() << c.grid << ": " << c.pointer.x << "," << c.pointer.y);
    gridSize = c.grid;
    SelectCentredAt(300, 300);
    fake.cursor.position = c.pointer;
    const std::vector<std::string> trace = Draw();
    ASSERT_EQ(trace.size(), 4u);
    EXPECT_EQ(trace[0], c.square);
    EXPECT_EQ(trace[2], "LineTo(" + std::to_string(c.end.x) + "," + std::to_string(c.end.y) + ")");
    const auto square = canvas.Of(OpKind::Rectangle)[0];
    EXPECT_EQ(square.pen, kSnapPen);
    EXPECT_EQ(square.brush.kind, BrushKind::Hollow);
    EXPECT_EQ(canvas.Lines()[0].pen, kLinePen);  // the line pen is back for the line
  }
}

TEST_F(MeasureLineTest, LineAndLabelFollowTheRoundingRule) {
  SelectCentredAt(16, 16);
  fake.cursor.position = Point{100, 70};
  for (auto [rounding, label] : std::vector<std::pair<int, std::string>>{
           {IDM_ROUND_HALF_UP, "4m"}, {IDM_ROUND_DOWN, "3m"}, {IDM_ROUND_UP, "4m"}, {0, "3m"}}) {
    TickRounding(fake.menu, rounding);
    EXPECT_THAT(Draw(), ElementsAre("Rectangle(92,62,120,90)", "MoveTo(16,16)", "LineTo(106,76)",
                                    "TextAt(51,36," + label + ")"));
  }
}

TEST_F(MeasureLineTest, WithoutSnappingThePointerIsTheEndAndNoSquareIsDrawn) {
  fake.menu.checked[IDM_SNAP] = false;
  SelectCentredAt(16, 16);
  fake.cursor.position = Point{100, 70};
  EXPECT_THAT(Draw(), ElementsAre("MoveTo(16,16)", "LineTo(100,70)", "TextAt(48,33,3m)"));
  EXPECT_EQ(canvas.Count(OpKind::PushBrush), 0u);
  // The pointer is read when the frame is drawn.
  fake.cursor.position = Point{16, 106};
  EXPECT_THAT(Draw(), ElementsAre("MoveTo(16,16)", "LineTo(16,106)", "TextAt(6,51,3m)"));
}

TEST_F(MeasureLineTest, PerpendicularFromAPieceToTheLine) {
  RowBoard(400);
  CharacterCentredAt(1, 250, 40);
  EXPECT_THAT(Draw(), ElementsAre("MoveTo(100,100)", "LineTo(400,100)", "TextAt(240,90,10m)",
                                  "MoveTo(250,40)", "LineTo(250,100)", "TextAt(240,60,2m)"));
  characters[1].Clear();
  AreaCentredAt(0, 250, 40, 2);
  EXPECT_THAT(Draw(), ElementsAre("MoveTo(100,100)", "LineTo(400,100)", "TextAt(240,90,10m)",
                                  "MoveTo(250,40)", "LineTo(250,100)", "TextAt(240,60,2m)"));
  EXPECT_EQ(canvas.Lines()[1].pen, kLinePen);
  fake.menu.checked[IDM_LINE_DISTANCES] = false;
  EXPECT_EQ(Draw().size(), 3u);
}

TEST_F(MeasureLineTest, CharactersUseTheRoundingRuleAndAreasTruncate) {
  RowBoard(440);  // 11.33 m
  CharacterCentredAt(1, 250, 40);
  AreaCentredAt(0, 250, 40, 2);
  struct Case {
    int rounding;
    std::vector<std::string> labels;  // the line's, the character's, the area's
  };
  for (const Case& c :
       {Case{IDM_ROUND_HALF_UP, {"11m", "2m", "1m"}}, Case{IDM_ROUND_DOWN, {"11m", "2m", "1m"}},
        Case{0, {"11m", "2m", "2m"}}, Case{IDM_ROUND_UP, {"12m"}}}) {
    SCOPED_TRACE(c.rounding);
    TickRounding(fake.menu, c.rounding);
    Draw();
    std::vector<std::string> labels;
    for (const auto& t : canvas.Texts()) labels.push_back(t.text);
    EXPECT_EQ(labels, c.labels);
    EXPECT_EQ(canvas.Lines().size(), c.labels.size());
    for (std::size_t i = 1; i < canvas.Lines().size(); ++i) {
      EXPECT_EQ(canvas.Lines()[i].to, (Point{250, 100}));
    }
  }
}

TEST_F(MeasureLineTest, RoundingMarksAreReadOnceForTheWholeFrame) {
  struct CountingMenu : public FakeMenu {
    std::map<int, int> reads;
    bool IsChecked(int id) override {
      ++reads[id];
      return FakeMenu::IsChecked(id);
    }
  } menu;
  menu.checked = fake.menu.checked;
  ports.menu = &menu;
  RowBoard(400);
  menu.checked[IDM_SNAP] = false;
  CharacterCentredAt(1, 250, 40);
  CharacterCentredAt(2, 300, 25);
  AreaCentredAt(0, 250, 40, 2);
  EXPECT_EQ(Draw().size(), 12u);
  for (int id : {IDM_ROUND_HALF_UP, IDM_ROUND_DOWN, IDM_ROUND_UP, IDM_SNAP, IDM_LINE_DISTANCES}) {
    EXPECT_EQ(menu.reads[id], 1) << id;
  }
}

TEST_F(MeasureLineTest, SignedDistancesRoundAccordingToTheSide) {
  RowBoard(400);                    // d = 10 m over 300 px: t = (qy − 100) / 30
  CharacterCentredAt(1, 200, 175);  // right-hand side looking along the line: t = 2.5
  CharacterCentredAt(2, 300, 25);   // left-hand side: t = −2.5
  AreaCentredAt(0, 350, 175, 2);    // t = 2.5, truncated
  Draw();
  std::vector<std::string> labels;
  for (const auto& t : canvas.Texts()) labels.push_back(t.text);
  EXPECT_THAT(labels, ElementsAre("10m", "3m", "2m", "2m"));
}

TEST_F(MeasureLineTest, FeetOnTheEndsCountAndFeetBeyondThemDoNot) {
  RowBoard(400);
  CharacterCentredAt(1, 400, 40);     // foot on the pointer's end
  CharacterCentredAt(2, 100, 160);    // foot on the origin
  CharacterCentredAt(3, 401, 40);     // one pixel beyond
  CharacterCentredAt(4, 99, 160);     // one pixel before
  CharacterCentredAt(5, 250, 40, 1);  // in melee: never measured
  Draw();
  const auto lines = canvas.Lines();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[1].from, (Point{400, 40}));
  EXPECT_EQ(lines[1].to, (Point{400, 100}));
  EXPECT_EQ(lines[2].from, (Point{100, 160}));
  EXPECT_EQ(lines[2].to, (Point{100, 100}));
}

TEST_F(MeasureLineTest, PointerOnTheOriginDrawsANullLineLabelledZeroAndNoPerpendiculars) {
  RowBoard(100);
  CharacterCentredAt(1, 250, 40);
  AreaCentredAt(0, 250, 40, 2);
  EXPECT_THAT(Draw(), ElementsAre("MoveTo(100,100)", "LineTo(100,100)", "TextAt(90,90,0m)"));
  // A short line that rounds to 0 m draws no perpendicular either.
  fake.cursor.position = Point{110, 100};
  EXPECT_THAT(Draw(), ElementsAre("MoveTo(100,100)", "LineTo(110,100)", "TextAt(95,90,0m)"));
}

TEST_F(MeasureLineTest, ARoundedLengthOfZeroDrawsNoPerpendicularAnywhere) {
  // A short line across the board's corner: the feet would not be numbers, and must not
  // turn into the pixel (0, 0), which lies on the line's extent.
  fake.menu.checked[IDM_SNAP] = false;
  SelectCentredAt(5, 5);
  fake.cursor.position = Point{-3, -3};
  CharacterCentredAt(1, 250, 40);
  AreaCentredAt(0, -40, 60, 2);
  for (int rounding : {IDM_ROUND_HALF_UP, IDM_ROUND_DOWN}) {
    TickRounding(fake.menu, rounding);
    EXPECT_THAT(Draw(), ElementsAre("MoveTo(5,5)", "LineTo(-3,-3)", "TextAt(-9,-9,0m)"));
  }
}

TEST_F(MeasureLineTest, MeleeCharacterMeasuresFromItsAreaWhichGetsANullPerpendicular) {
  fake.menu.checked[IDM_SNAP] = false;
  AreaCentredAt(1, 100, 100, 2);
  SelectCentredAt(90, 95, 1);
  fake.cursor.position = Point{400, 100};
  EXPECT_THAT(Draw(), ElementsAre("MoveTo(100,100)", "LineTo(400,100)", "TextAt(240,90,10m)",
                                  "MoveTo(100,100)", "LineTo(100,100)", "TextAt(90,90,0m)"));
}

TEST_F(MeasureLineTest, CoordinatesAtTheEndsOfTheRangeStayDefined) {
  // Pieces rebuilt from a code may lie anywhere; every sum and product wraps and every
  // conversion saturates (the sanitizers would stop on anything else).
  for (bool snap : {true, false}) {
    fake.menu.checked[IDM_SNAP] = snap;
    SelectCentredAt(INT_MAX - 15, INT_MIN + 15);
    CharacterCentredAt(1, INT_MIN + 15, INT_MAX - 15);
    AreaCentredAt(0, 300, 300, 6);
    for (Point pointer : {Point{INT_MAX, INT_MIN}, Point{INT_MIN, INT_MAX}, Point{0, 0}}) {
      fake.cursor.position = pointer;
      EXPECT_GE(Draw().size(), 3u);
    }
  }
}

}  // namespace
}  // namespace dz::testing
