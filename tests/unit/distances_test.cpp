#include "render/distances.h"

#include <gmock/gmock.h>

#include <climits>
#include <cmath>
#include <limits>

#include "fake_ports.h"
#include "recording_canvas.h"
#include "render/measure_line.h"
#include "render_board.h"

namespace dz::testing {
namespace {

using ::testing::ElementsAre;

constexpr Pen kLinePen{PenStyle::Solid, 1, kBlack};

class DistancesTest : public BoardTest {
 protected:
  void SetUp() override { BoardTest::SetUp(); }
  // The selected character, not in melee, centred at (16, 16).
  void SelectAtOrigin(std::int32_t melee = 0) {
    PlaceCharacter(0, 1, 1, MarkerColor(0), "A", melee);
    selectedCharacter = 0;
  }
  RecordingCanvas canvas;
};

TEST_F(DistancesTest, RoundingTableOfEachItem) {
  struct Case {
    std::int32_t pixels;
    int halfUp, down, up, none;
  };
  for (const Case& c : {Case{105, 4, 3, 4, 3}, Case{100, 3, 3, 4, 3}, Case{90, 3, 3, 3, 3},
                        Case{15, 1, 0, 1, 0}, Case{14, 0, 0, 1, 0}}) {
    SCOPED_TRACE(c.pixels);
    const double m = MetresBetween(Point{7, 9}, Point{7, 9 + c.pixels});
    EXPECT_EQ(RoundDistance(m, kHalfUp), c.halfUp);
    EXPECT_EQ(RoundDistance(m, kRoundDown), c.down);
    EXPECT_EQ(RoundDistance(m, kRoundUp), c.up);
    EXPECT_EQ(RoundDistance(m, kNoRounding), c.none);
    EXPECT_EQ(RoundedLength(m, kNoRounding), m);  // no step: the length is left as it is
  }
}

TEST_F(DistancesTest, StepsRunInTheirFixedOrderWhenSeveralAreTicked) {
  const double m = 100.0 / 30;                                    // 3.33 m
  EXPECT_EQ(RoundedLength(m, Rounding{false, true, true}), 3.0);  // floor, then ceil leaves 3
  EXPECT_EQ(RoundedLength(3.5, Rounding{true, true, true}), 4.0);
  // Negative values (signed perpendicular distances) round toward −∞ and +∞.
  EXPECT_EQ(RoundDistance(-2.5, kHalfUp), -2);
  EXPECT_EQ(RoundDistance(2.5, kHalfUp), 3);
  EXPECT_EQ(RoundDistance(-1.2, kRoundDown), -2);
  EXPECT_EQ(RoundDistance(-1.9, kNoRounding), -1);  // the conversion truncates toward zero
}

TEST_F(DistancesTest, ConversionSaturatesAndTakesNaNAsZero) {
  EXPECT_EQ(TruncateToInt32(std::numeric_limits<double>::quiet_NaN()), 0);
  EXPECT_EQ(TruncateToInt32(1e300), INT_MAX);
  EXPECT_EQ(TruncateToInt32(-1e300), INT_MIN);
  EXPECT_EQ(TruncateToInt32(std::numeric_limits<double>::infinity()), INT_MAX);
  EXPECT_EQ(TruncateToInt32(2147483647.9), INT_MAX);
  EXPECT_EQ(TruncateToInt32(-2147483648.9), INT_MIN);
  EXPECT_EQ(TruncateToInt32(-7.9), -7);
}

TEST_F(DistancesTest, MetresWrapTheirSquaresLikeThe32BitTarget) {
  gridSize = 20;
  EXPECT_DOUBLE_EQ(MetresBetween(Point{0, 0}, Point{30, 40}), 2.5);
  // The difference wraps: INT_MIN − INT_MAX is 1 on a 32-bit machine.
  EXPECT_DOUBLE_EQ(MetresBetween(Point{INT_MAX, 0}, Point{INT_MIN, 0}), 1.0 / 20);
  // 50000² wraps to a negative square: no number, and a label that stays defined.
  const double far = MetresBetween(Point{0, 0}, Point{50000, 0});
  EXPECT_TRUE(std::isnan(far));
  EXPECT_EQ(RoundDistance(far, kHalfUp), 0);
}

TEST_F(DistancesTest, CharacterAndAreaLabelsSitAtTheirOwnPoints) {
  SelectAtOrigin();
  CharacterCentredAt(3, 106, 136);
  DrawMarkerDistances(canvas, kHalfUp);
  EXPECT_THAT(canvas.Trace(), ElementsAre("MoveTo(16,16)", "LineTo(106,136)", "TextAt(56,71,5m)"));
  EXPECT_EQ(canvas.Lines()[0].pen, kLinePen);
  EXPECT_EQ(canvas.Texts()[0].mode, BackgroundMode::Opaque);
  EXPECT_EQ(canvas.Problems(), "");

  characters[3].Clear();
  AreaCentredAt(1, 106, 136, 2);
  canvas.ClearOps();
  DrawMarkerDistances(canvas, kHalfUp);
  EXPECT_THAT(canvas.Trace(), ElementsAre("MoveTo(16,16)", "LineTo(106,136)", "TextAt(51,66,5m)"));
  EXPECT_EQ(canvas.Problems(), "");
}

TEST_F(DistancesTest, LabelPointsTruncateNegativeSumsTowardZero) {
  SelectAtOrigin();
  AreaCentredAt(0, -31, 16, 2);    // a.x + o.x = −15: −15 / 2 − 10 = −17
  CharacterCentredAt(1, -21, 16);  // c.x + o.x − 10 = −15: −15 / 2 = −7
  DrawMarkerDistances(canvas, kHalfUp);
  const auto texts = canvas.Texts();
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0].x, -7);  // character first
  EXPECT_EQ(texts[1].x, -17);
  EXPECT_EQ(texts[1].y, 6);
}

TEST_F(DistancesTest, OnlyActivePiecesOutsideMeleeGetLinesInPoolOrder) {
  SelectAtOrigin();
  CharacterCentredAt(5, 46, 16);        // 1 m
  CharacterCentredAt(2, 76, 16, 1);     // in melee: no line
  characters[4].SetPosition(200, 200);  // inactive
  characters[4].SetWidth(30);
  CharacterCentredAt(9, 16, 76);  // 2 m
  DrawMarkerDistances(canvas, kHalfUp);
  EXPECT_THAT(canvas.Trace(), ElementsAre("MoveTo(16,16)", "LineTo(46,16)", "TextAt(26,11,1m)",
                                          "MoveTo(16,16)", "LineTo(16,76)", "TextAt(11,41,2m)"));
}

TEST_F(DistancesTest, MeleeCharacterMeasuresFromTheCentreOfItsArea) {
  AreaCentredAt(0, 400, 400, 2);  // elsewhere: gets a line
  AreaCentredAt(2, 40, 40, 2);    // holds the character: the origin, no line
  AreaCentredAt(3, 50, 50, 3);    // holds the character too: no line
  SelectAtOrigin(1);
  CharacterCentredAt(1, 100, 40);
  EXPECT_EQ(DistanceOrigin(), (Point{40, 40}));
  DrawMarkerDistances(canvas, kHalfUp);
  EXPECT_THAT(canvas.Trace(),
              ElementsAre("MoveTo(40,40)", "LineTo(100,40)", "TextAt(65,35,2m)", "MoveTo(40,40)",
                          "LineTo(400,400)", "TextAt(210,210,17m)"));

  // The lowest slot that contains the centre wins, active or not.
  areas[1].SetRadius(3);
  areas[1].SetPosition(-50, -50);  // box without a picture: inactive but containing
  EXPECT_EQ(DistanceOrigin(), (Point{40, 40}));
  areas[1].SetPosition(-60, -60);
  EXPECT_EQ(DistanceOrigin(), (Point{30, 30}));
}

TEST_F(DistancesTest, MeleeOutsideAnyAreaOrNoMeleeMeasuresFromTheCharacter) {
  AreaCentredAt(0, 400, 400, 2);
  SelectAtOrigin(1);
  EXPECT_EQ(DistanceOrigin(), (Point{16, 16}));
  DrawMarkerDistances(canvas, kHalfUp);
  EXPECT_EQ(canvas.Lines().size(), 1u);

  AreaCentredAt(1, 20, 20, 2);  // holds the character, which is not in melee
  characters[0].SetMelee(0);
  canvas.ClearOps();
  DrawMarkerDistances(canvas, kHalfUp);
  EXPECT_THAT(canvas.Trace(), ElementsAre("MoveTo(16,16)", "LineTo(400,400)", "TextAt(198,198,18m)",
                                          "MoveTo(16,16)", "LineTo(20,20)", "TextAt(8,8,0m)"));
}

TEST_F(DistancesTest, SameCentreGivesALineOfNoLengthAndNothingElseDrawsAPen) {
  SelectAtOrigin();
  CharacterCentredAt(1, 16, 16);
  DrawMarkerDistances(canvas, kHalfUp);
  EXPECT_THAT(canvas.Trace(), ElementsAre("MoveTo(16,16)", "LineTo(16,16)", "TextAt(11,11,0m)"));
  canvas.ClearOps();
  characters[1].Clear();
  DrawMarkerDistances(canvas, kHalfUp);  // alone: the pen is still pushed and popped
  EXPECT_THAT(canvas.FullTrace(), ElementsAre("PushPen(solid,1,#000000)", "PopPen"));
}

TEST_F(DistancesTest, MoveDistanceShowsOnlyARealMove) {
  SelectAtOrigin();
  struct Case {
    Point shadowAt;
    Rounding rounding;
    std::vector<std::string> trace;
  };
  const std::vector<Case> cases = {
      {{kParked, kParked}, kRoundUp, {}},
      {{-1, 300}, kRoundUp, {}},  // only x tells that it is parked
      {{1, 1}, kRoundUp, {}},     // on the character: no move
      {{2, 1}, kHalfUp, {"MoveTo(16,16)", "LineTo(17,16)", "TextAt(6,6,0m)"}},
      {{2, 1}, kRoundDown, {"MoveTo(16,16)", "LineTo(17,16)", "TextAt(6,6,0m)"}},
      {{2, 1}, kRoundUp, {"MoveTo(16,16)", "LineTo(17,16)", "TextAt(6,6,1m)"}},
      {{0, -100}, kHalfUp, {"MoveTo(16,16)", "LineTo(15,-85)", "TextAt(5,-44,3m)"}},
      {{91, 121}, kHalfUp, {"MoveTo(16,16)", "LineTo(106,136)", "TextAt(51,66,5m)"}},
  };
  shadow.SetWidth(30);
  shadow.SetHeight(30);
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.shadowAt.x << "," << c.shadowAt.y);
    shadow.SetPosition(c.shadowAt.x, c.shadowAt.y);
    canvas.ClearOps();
    DrawMoveDistance(canvas, c.rounding);
    EXPECT_EQ(canvas.Trace(), c.trace);
    if (c.trace.empty()) {
      EXPECT_TRUE(canvas.ops.empty());  // not even a pen
    }
    EXPECT_EQ(canvas.Problems(), "");
  }
}

TEST_F(DistancesTest, OverlaysWithoutASelectedCharacterDrawNothing) {
  CharacterCentredAt(1, 46, 16);
  shadow.SetPosition(100, 100);
  for (std::int32_t selected : {-1, 26, INT_MIN}) {
    selectedCharacter = selected;
    DrawMarkerDistances(canvas, kHalfUp);
    DrawMoveDistance(canvas, kHalfUp);
    DrawMeasureLine(canvas, MeasureOptions{Point{300, 300}, true, true, kHalfUp});
    EXPECT_TRUE(canvas.ops.empty());
    EXPECT_EQ(DistanceOrigin(), (Point{0, 0}));
  }
}

TEST_F(DistancesTest, LabelTextIsTheSignedNumberAndM) {
  DrawDistanceLabel(canvas, -3, 4, -12);
  DrawDistanceLabel(canvas, 0, 0, INT_MIN);
  EXPECT_THAT(canvas.Trace(), ElementsAre("TextAt(-3,4,-12m)", "TextAt(0,0,-2147483648m)"));
}

}  // namespace
}  // namespace dz::testing
