#include "render/piece_drawing.h"

#include <gmock/gmock.h>

#include <climits>

#include "fake_ports.h"
#include "recording_canvas.h"
#include "render_board.h"

namespace dz::testing {
namespace {

using ::testing::ElementsAre;

constexpr Pen kOutline{PenStyle::Solid, 2, kBlack};
constexpr Brush kHollow{BrushKind::Hollow, 0};

using PieceDrawingTest = BoardTest;

TEST_F(PieceDrawingTest, EmptyBoardDrawsNothingAndRestoresTheSurface) {
  RecordingCanvas canvas;
  DrawPieces(canvas);
  EXPECT_TRUE(canvas.Trace().empty());
  EXPECT_EQ(canvas.Problems(), "");
  // A parked shadow with its picture is drawn, off the board.
  shadow.LoadBitmapFile("shadow.bmp");
  shadow.SetPosition(kParked, kParked);
  DrawPieces(canvas);
  EXPECT_THAT(canvas.Trace(), ElementsAre("Blend(-100,-100,30,30,shadow.bmp,0,0,32,32,255,#FFFFFF)",
                                          "TextInBox(-100,-100,-70,-70,)"));
}

TEST_F(PieceDrawingTest, SelectedRedCharacterIsADiscWithItsNameAndARing) {
  Character& a = characters[0];
  a.SetColor(MarkerColor(0));
  a.SetName("A");
  a.SetPosition(1, 1);  // no box stored: the drawing takes its size from the grid
  selectedCharacter = 0;
  RecordingCanvas canvas;
  DrawPieces(canvas);
  EXPECT_THAT(
      canvas.FullTrace(),
      ElementsAre("PushBrush(hollow)", "PushPen(solid,2,#000000)", "SetBackgroundMode(transparent)",
                  "PushLabelFont", "PushBrush(solid,#0101FF)", "PushPen(solid,0,#0101FF)",
                  "Ellipse(1,1,30,30)", "TextInBox(1,1,30,30,A)", "PopBrush", "PopPen",
                  "SetBackgroundMode(opaque)", "PopFont", "Ellipse(1,1,31,31)", "PopBrush",
                  "PopPen"));
  EXPECT_EQ(canvas.Problems(), "");
  // The name is drawn in the label font over a transparent background; the ring with the
  // 2-pixel outline and no fill.
  const auto texts = canvas.Of(OpKind::TextInBox);
  EXPECT_EQ(texts[0].fontDepth, 1);
  EXPECT_EQ(texts[0].mode, BackgroundMode::Transparent);
  const auto ellipses = canvas.Of(OpKind::Ellipse);
  EXPECT_EQ(ellipses[1].pen, kOutline);
  EXPECT_EQ(ellipses[1].brush, kHollow);
  EXPECT_EQ(ellipses[1].fontDepth, 0);
}

TEST_F(PieceDrawingTest, ShadowPictureIsBlendedWholeAndNamedInTheFullBox) {
  shadow.LoadBitmapFile("shadow.bmp");
  shadow.SetAlpha(150);
  shadow.SetPosition(10, 20);
  shadow.SetName("B");
  RecordingCanvas canvas;
  DrawPieces(canvas);
  EXPECT_THAT(canvas.Trace(), ElementsAre("Blend(10,20,30,30,shadow.bmp,0,0,32,32,150,#FFFFFF)",
                                          "TextInBox(10,20,40,50,B)"));
  EXPECT_EQ(canvas.Of(OpKind::Blend)[0].source, shadow.Image());
  EXPECT_EQ(canvas.Count(OpKind::PushBrush), 1u);  // only DrawPieces' hollow brush
  EXPECT_EQ(canvas.Problems(), "");
}

TEST_F(PieceDrawingTest, AreaIsBlendedInItsBoxWithACentreMarkAndItsRing) {
  Area& area = PlaceArea(0, -14, -14, 2);
  selectedArea = 0;
  RecordingCanvas canvas;
  DrawPieces(canvas);
  EXPECT_THAT(canvas.Trace(), ElementsAre("Blend(-14,-14,120,120,area.bmp,0,0,64,64,100,#FFFFFF)",
                                          "Rectangle(44,44,48,48)", "Ellipse(-14,-14,106,106)"));
  EXPECT_EQ(canvas.Of(OpKind::Blend)[0].source, area.Image());
  const auto mark = canvas.Of(OpKind::Rectangle)[0];
  EXPECT_EQ(mark.pen, kOutline);
  EXPECT_EQ(mark.brush, kHollow);
  EXPECT_EQ(canvas.Problems(), "");
}

TEST_F(PieceDrawingTest, LayersAreShadowMeleeCharactersAreasOtherCharactersRing) {
  shadow.LoadBitmapFile("shadow.bmp");
  shadow.SetPosition(200, 200);
  PlaceCharacter(0, 61, 61, MarkerColor(1), "X", 0);  // outside melee, lower slot
  PlaceCharacter(1, 31, 31, MarkerColor(2), "M", 1);  // in melee, under the area
  PlaceArea(0, 0, 0, 2);
  selectedCharacter = 1;
  RecordingCanvas canvas;
  DrawPieces(canvas);
  EXPECT_THAT(
      canvas.Trace(),
      ElementsAre("Blend(200,200,30,30,shadow.bmp,0,0,32,32,255,#FFFFFF)",
                  "TextInBox(200,200,230,230,)", "Ellipse(31,31,60,60)", "TextInBox(31,31,60,60,M)",
                  "Blend(0,0,120,120,area.bmp,0,0,64,64,100,#FFFFFF)", "Rectangle(58,58,62,62)",
                  "Ellipse(61,61,90,90)", "TextInBox(61,61,90,90,X)", "Ellipse(31,31,61,61)"));
  EXPECT_EQ(canvas.Problems(), "");
}

TEST_F(PieceDrawingTest, InactivePiecesAreSkippedAndAnEmptyNameStaysEmpty) {
  PlaceCharacter(0, 1, 1, MarkerColor(0), "", 0);
  characters[1].SetPosition(40, 40);  // neither colour nor picture
  characters[1].SetName("Q");
  areas[0].SetRadius(2);  // no picture
  RecordingCanvas canvas;
  DrawPieces(canvas);
  EXPECT_THAT(canvas.Trace(), ElementsAre("Ellipse(1,1,30,30)", "TextInBox(1,1,30,30,)"));
}

TEST_F(PieceDrawingTest, SizesFollowTheGridAndPositionsStay) {
  PlaceCharacter(0, 31, 61);
  PlaceArea(0, 100, 100, 3);
  selectedArea = 0;
  SetGridSize(20);
  RecordingCanvas canvas;
  DrawPieces(canvas);
  EXPECT_THAT(canvas.Trace(), ElementsAre("Blend(100,100,120,120,area.bmp,0,0,64,64,100,#FFFFFF)",
                                          "Rectangle(158,158,162,162)", "Ellipse(31,61,50,80)",
                                          "TextInBox(31,61,50,80,A)", "Ellipse(100,100,220,220)"));
}

TEST_F(PieceDrawingTest, CoordinatesAtTheEndsOfTheRangeWrapInsteadOfOverflowing) {
  PlaceCharacter(0, INT_MAX - 5, INT_MIN);
  PlaceArea(0, INT_MAX, INT_MAX, 6);
  selectedCharacter = 0;
  RecordingCanvas canvas;
  DrawPieces(canvas);
  const auto ellipses = canvas.Of(OpKind::Ellipse);
  ASSERT_EQ(ellipses.size(), 2u);
  EXPECT_EQ(ellipses[0].right, INT_MIN + 23);  // INT_MAX − 5 + 30 − 1, wrapped
  EXPECT_EQ(ellipses[0].bottom, INT_MIN + 29);
  EXPECT_EQ(canvas.Problems(), "");
}

TEST_F(PieceDrawingTest, SelectionOutsideThePoolsDrawsNoRing) {
  PlaceArea(0, 0, 0, 2);
  selectedCharacter = 26;
  selectedArea = 0;
  RecordingCanvas canvas;
  DrawPieces(canvas);
  EXPECT_EQ(canvas.Count(OpKind::Ellipse), 0u);
  selectedCharacter = -1;
  selectedArea = 5;
  DrawPieces(canvas);
  EXPECT_EQ(canvas.Count(OpKind::Ellipse), 0u);
}

}  // namespace
}  // namespace dz::testing
