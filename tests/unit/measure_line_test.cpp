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
  void SetUp() override { BoardTest::SetUp(); }
  void SelectCentredAt(std::int32_t cx, std::int32_t cy, std::int32_t melee = 0) {
    CharacterCentredAt(0, cx, cy, melee);
    selectedCharacter = 0;
  }
  // The board of the perpendicular examples: origin (100, 100), pointer on the same row.
  void RowBoard(std::int32_t pointerX) {
    options.snap = false;
    SelectCentredAt(100, 100);
    options.pointer = Point{pointerX, 100};
  }
  std::vector<std::string> Draw() {
    canvas.ClearOps();
    DrawMeasureLine(canvas, options);
    EXPECT_EQ(canvas.Problems(), "");
    return canvas.Trace();
  }
  RecordingCanvas canvas;
  MeasureOptions options{Point{0, 0}, true, true, kHalfUp};
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
    options.pointer = c.pointer;
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
  options.pointer = Point{100, 70};
  for (auto [rounding, label] : std::vector<std::pair<Rounding, std::string>>{
           {kHalfUp, "4m"}, {kRoundDown, "3m"}, {kRoundUp, "4m"}, {kNoRounding, "3m"}}) {
    options.rounding = rounding;
    EXPECT_THAT(Draw(), ElementsAre("Rectangle(92,62,120,90)", "MoveTo(16,16)", "LineTo(106,76)",
                                    "TextAt(51,36," + label + ")"));
  }
}

TEST_F(MeasureLineTest, WithoutSnappingThePointerIsTheEndAndNoSquareIsDrawn) {
  options.snap = false;
  SelectCentredAt(16, 16);
  options.pointer = Point{100, 70};
  EXPECT_THAT(Draw(), ElementsAre("MoveTo(16,16)", "LineTo(100,70)", "TextAt(48,33,3m)"));
  EXPECT_EQ(canvas.Count(OpKind::PushBrush), 0u);
  options.pointer = Point{16, 106};
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
  options.lineDistances = false;
  EXPECT_EQ(Draw().size(), 3u);
}

TEST_F(MeasureLineTest, CharactersUseTheRoundingRuleAndAreasTruncate) {
  RowBoard(440);  // 11.33 m
  CharacterCentredAt(1, 250, 40);
  AreaCentredAt(0, 250, 40, 2);
  struct Case {
    Rounding rounding;
    std::vector<std::string> labels;  // the line's, the character's, the area's
  };
  for (const Case& c : {Case{kHalfUp, {"11m", "2m", "1m"}}, Case{kRoundDown, {"11m", "2m", "1m"}},
                        Case{kNoRounding, {"11m", "2m", "2m"}}, Case{kRoundUp, {"12m"}}}) {
    SCOPED_TRACE(c.labels[0]);
    options.rounding = c.rounding;
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
  options.pointer = Point{110, 100};
  EXPECT_THAT(Draw(), ElementsAre("MoveTo(100,100)", "LineTo(110,100)", "TextAt(95,90,0m)"));
}

TEST_F(MeasureLineTest, ARoundedLengthOfZeroDrawsNoPerpendicularAnywhere) {
  // A short line across the board's corner: the feet would not be numbers, and must not
  // turn into the pixel (0, 0), which lies on the line's extent.
  options.snap = false;
  SelectCentredAt(5, 5);
  options.pointer = Point{-3, -3};
  CharacterCentredAt(1, 250, 40);
  AreaCentredAt(0, -40, 60, 2);
  for (const Rounding& rounding : {kHalfUp, kRoundDown}) {
    options.rounding = rounding;
    EXPECT_THAT(Draw(), ElementsAre("MoveTo(5,5)", "LineTo(-3,-3)", "TextAt(-9,-9,0m)"));
  }
}

TEST_F(MeasureLineTest, MeleeCharacterMeasuresFromItsAreaWhichGetsANullPerpendicular) {
  options.snap = false;
  AreaCentredAt(1, 100, 100, 2);
  SelectCentredAt(90, 95, 1);
  options.pointer = Point{400, 100};
  EXPECT_THAT(Draw(), ElementsAre("MoveTo(100,100)", "LineTo(400,100)", "TextAt(240,90,10m)",
                                  "MoveTo(100,100)", "LineTo(100,100)", "TextAt(90,90,0m)"));
}

TEST_F(MeasureLineTest, CoordinatesAtTheEndsOfTheRangeStayDefined) {
  // Pieces rebuilt from a code may lie anywhere; every sum and product wraps and every
  // conversion saturates (the sanitizers would stop on anything else).
  for (bool snap : {true, false}) {
    options.snap = snap;
    SelectCentredAt(INT_MAX - 15, INT_MIN + 15);
    CharacterCentredAt(1, INT_MIN + 15, INT_MAX - 15);
    AreaCentredAt(0, 300, 300, 6);
    for (Point pointer : {Point{INT_MAX, INT_MIN}, Point{INT_MIN, INT_MAX}, Point{0, 0}}) {
      options.pointer = pointer;
      EXPECT_GE(Draw().size(), 3u);
    }
  }
}

}  // namespace
}  // namespace dz::testing
