#include <gmock/gmock.h>

#include "board/board.h"
#include "fake_ports.h"
#include "recording_canvas.h"
#include "render/surfaces.h"

namespace dz::testing {
namespace {

constexpr Pen kGridPen{PenStyle::DashDotDot, 1, 16737380};

class BackgroundTest : public BoardTest {
 protected:
  void TearDown() override {
    backgroundImage.reset();
    BoardTest::TearDown();
  }
};

TEST_F(BackgroundTest, FrameCopyAndGridLinesForEveryGridSize) {
  struct Case {
    std::int32_t grid;
    int linesEachWay;
  };
  for (const Case& c : {Case{20, 31}, Case{25, 25}, Case{30, 21}, Case{40, 16}}) {
    SCOPED_TRACE(c.grid);
    gridSize = c.grid;
    RecordingCanvas layer("layer");
    DrawBoardBackground(layer);
    EXPECT_EQ(layer.Problems(), "");

    std::vector<std::string> expected = {"Rectangle(0,0,600,600)",
                                         "CopyFrom(0,0,800,620,null,0,0)"};
    for (int i = 0; i < c.linesEachWay; ++i) {
      const std::string at = std::to_string(i * c.grid);
      expected.push_back("MoveTo(" + at + ",0)");
      expected.push_back("LineTo(" + at + ",600)");
    }
    for (int i = 0; i < c.linesEachWay; ++i) {
      const std::string at = std::to_string(i * c.grid);
      expected.push_back("MoveTo(0," + at + ")");
      expected.push_back("LineTo(600," + at + ")");
    }
    EXPECT_EQ(layer.Trace(), expected);
    EXPECT_EQ(layer.Lines().back().to.y, 600);  // the last line of each way lies at 600

    // Everything is drawn with the grid pen over the layer's default white brush, opaque.
    for (const RecordingCanvas::Op& op : layer.ops) {
      if (op.kind == OpKind::PushPen || op.kind == OpKind::PopPen) continue;
      EXPECT_EQ(op.pen, kGridPen);
      EXPECT_EQ(op.brush, kDefaultBrush);
      EXPECT_EQ(op.mode, BackgroundMode::Opaque);
    }
    EXPECT_EQ(layer.Count(OpKind::PushPen), 1u);
    EXPECT_EQ(layer.Count(OpKind::PushBrush), 0u);
  }
}

TEST_F(BackgroundTest, LoadedPictureIsCopiedFromItsOriginUnderTheGrid) {
  backgroundImage = std::make_unique<RecordingCanvas>("picture");
  RecordingCanvas layer("layer");
  DrawBoardBackground(layer);
  const std::vector<RecordingCanvas::Op> copies = layer.Of(OpKind::CopyFrom);
  ASSERT_EQ(copies.size(), 1u);
  EXPECT_EQ(copies[0].source, backgroundImage.get());
  EXPECT_EQ(layer.Trace()[1], "CopyFrom(0,0,800,620,picture,0,0)");
  // The frame comes before the picture and every grid line after it.
  EXPECT_EQ(layer.ops[1].kind, OpKind::Rectangle);
  EXPECT_EQ(layer.ops[2].kind, OpKind::CopyFrom);
}

TEST_F(BackgroundTest, BlendBitmapHandsEverythingToTheSurfaceAndAnswersItsResult) {
  RecordingCanvas dst("dst");
  RecordingCanvas src("src");
  EXPECT_EQ(BlendBitmap(dst, 1, 2, 3, 4, src, 5, 6, 7, 8, 150, kWhite), 1);
  dst.blendResult = 0;
  EXPECT_EQ(BlendBitmap(dst, -1, -2, 30, 40, src, 0, 0, 32, 32, 100, kWhite), 0);
  EXPECT_THAT(dst.Trace(), ::testing::ElementsAre("Blend(1,2,3,4,src,5,6,7,8,150,#FFFFFF)",
                                                  "Blend(-1,-2,30,40,src,0,0,32,32,100,#FFFFFF)"));
}

TEST(RecordingCanvasTest, TracksSelectionsLikeAFreshSurface) {
  RecordingCanvas c;
  EXPECT_EQ(c.CurrentPen(), (Pen{PenStyle::Solid, 1, kBlack}));
  EXPECT_EQ(c.CurrentBrush(), (Brush{BrushKind::Solid, kWhite}));
  c.PushPen({PenStyle::Solid, 2, 255});
  c.PushBrush({BrushKind::Hollow, 0});
  c.PushLabelFont();
  c.SetBackgroundMode(BackgroundMode::Transparent);
  EXPECT_NE(c.Problems(), "");
  c.Ellipse(1, 1, 31, 31);
  EXPECT_EQ(c.ops.back().pen, (Pen{PenStyle::Solid, 2, 255}));
  EXPECT_EQ(c.ops.back().brush.kind, BrushKind::Hollow);
  EXPECT_EQ(c.ops.back().fontDepth, 1);
  c.SetBackgroundMode(BackgroundMode::Opaque);
  c.PopFont();
  c.PopBrush();
  c.PopPen();
  EXPECT_EQ(c.Problems(), "");
  c.PopPen();
  EXPECT_EQ(c.Problems(), "PopPen with no pen pushed; ");
}

}  // namespace
}  // namespace dz::testing
