#include "render/bounded_canvas.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "app/frame.h"
#include "app/main_window.h"
#include "app/pointer.h"
#include "code/coordinate_code.h"
#include "recording_canvas.h"
#include "render/surfaces.h"
#include "window_fixture.h"

namespace dz::testing {
namespace {

using ::testing::ElementsAre;

constexpr std::int32_t W = kSurfaceWidth;
constexpr std::int32_t H = kSurfaceHeight;
constexpr std::int64_t kBound = BoundedCanvas::kExactBound;
constexpr std::int64_t kMargin = BoundedCanvas::kMargin;
constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();

// Every coordinate the canvas received lies within `reach` of the surface.
::testing::AssertionResult AllNear(const RecordingCanvas& canvas, std::int64_t reach) {
  const auto near = [reach](std::int64_t v, std::int64_t size) {
    return v >= -reach && v <= size + reach;
  };
  const std::vector<std::string> trace = canvas.Trace();
  for (std::size_t i = 0; i < canvas.ops.size(); ++i) {
    const RecordingCanvas::Op& op = canvas.ops[i];
    bool ok = true;
    switch (op.kind) {
      case OpKind::Rectangle:
      case OpKind::Ellipse:
      case OpKind::TextInBox:
        ok = near(op.x, W) && near(op.right, W) && near(op.y, H) && near(op.bottom, H);
        break;
      case OpKind::MoveTo:
      case OpKind::TextAt:
        ok = near(op.x, W) && near(op.y, H);
        break;
      case OpKind::LineTo:
        ok = near(op.x, W) && near(op.y, H) && near(op.fromX, W) && near(op.fromY, H);
        break;
      case OpKind::Blend:
        ok = near(op.x, W) && near(std::int64_t{op.x} + op.w, W) && near(op.y, H) &&
             near(std::int64_t{op.y} + op.h, H);
        break;
      default:
        break;
    }
    if (!ok)
      return ::testing::AssertionFailure()
             << "beyond the bound: op " << i << " of " << trace.size();
  }
  return ::testing::AssertionSuccess();
}

TEST(BoundedCanvas, ShapesNearTheSurfaceReachItUnchanged) {
  RecordingCanvas target("back");
  RecordingCanvas picture("area");
  BoundedCanvas canvas(target, W, H);
  canvas.Ellipse(-14, -14, 466, 466);
  canvas.Ellipse(-16000, 10, 16600, 20);  // within the ellipse bound
  canvas.Rectangle(298, 298, 302, 302);
  canvas.MoveTo(16, 16);
  canvas.LineTo(65535, 65535);  // a pointer position from a drag beyond the window
  canvas.LineTo(100, 100);      // goes on from where the last line ended
  canvas.TextAt(-100, 700, "5m");
  canvas.TextInBox(1, 1, 30, 30, "A");
  canvas.Blend(-14, -14, 480, 480, picture, 0, 0, 64, 64, 100, kWhite);
  EXPECT_THAT(target.Trace(),
              ElementsAre("Ellipse(-14,-14,466,466)", "Ellipse(-16000,10,16600,20)",
                          "Rectangle(298,298,302,302)", "MoveTo(16,16)", "LineTo(65535,65535)",
                          "LineTo(100,100)", "TextAt(-100,700,5m)", "TextInBox(1,1,30,30,A)",
                          "Blend(-14,-14,480,480,area,0,0,64,64,100,#FFFFFF)"));
}

TEST(BoundedCanvas, NoCoordinateBeyondTheBoundForAny32BitBox) {
  const std::int32_t values[] = {kMin, kMin + 1, -(1 << 20), -131073, -5000,   -1,       0,
                                 300,  601,      5000,       131073,  1 << 20, kMax - 1, kMax};
  RecordingCanvas picture("area");
  for (std::int32_t l : values) {
    for (std::int32_t t : values) {
      for (std::int32_t r : values) {
        for (std::int32_t b : {kMin, -1, 300, kMax}) {
          RecordingCanvas target("back");
          BoundedCanvas canvas(target, W, H);
          canvas.Ellipse(l, t, r, b);
          canvas.Rectangle(l, t, r, b);
          canvas.MoveTo(l, t);
          canvas.LineTo(r, b);
          canvas.TextAt(l, b, "9m");
          canvas.TextInBox(l, t, r, b, "A");
          canvas.Blend(l, t, r, b, picture, 0, 0, 64, 64, 100, kWhite);
          ASSERT_TRUE(AllNear(target, kBound)) << l << "," << t << "," << r << "," << b;
          ASSERT_EQ(target.Problems(), "");
        }
      }
    }
  }
}

TEST(BoundedCanvas, LinesBeyondTheBoundAreCutToTheWidenedSurface) {
  struct Case {
    Point from, to;
    const char* expected;  // what the target draws, or "" for nothing
  };
  const Case cases[] = {
      {{300, 300}, {kMax, 300}, "MoveTo(300,300) LineTo(665,300)"},
      {{kMin, 300}, {300, 300}, "MoveTo(-64,300) LineTo(300,300)"},
      {{-(1 << 20), -(1 << 20)}, {1 << 20, 1 << 20}, "MoveTo(-64,-64) LineTo(664,664)"},
      {{kMin, kMin}, {kMin, kMax}, ""},  // far left of the surface
      {{kMax, -500}, {kMax, 500}, ""},   // far right of it
      {{200000, 0}, {300000, 600}, ""},  // beyond the bound and beside the surface
  };
  for (const Case& c : cases) {
    RecordingCanvas target("back");
    BoundedCanvas canvas(target, W, H);
    canvas.MoveTo(c.from.x, c.from.y);
    canvas.LineTo(c.to.x, c.to.y);
    std::string trace;
    for (const std::string& op : target.Trace()) trace += (trace.empty() ? "" : " ") + op;
    EXPECT_EQ(trace, c.expected) << c.from.x << "," << c.from.y << " to " << c.to.x << ","
                                 << c.to.y;
  }
}

// A ring millions of pixels wide: drawn where it crosses the surface, as segments whose
// points lie on its outline; left out where it cannot be seen.
TEST(BoundedCanvas, HugeRingsAreDrawnOnlyWhereTheyCrossTheSurface) {
  struct Case {
    std::int64_t cx, cy, r;  // centre and radius
    bool crosses;
  };
  const Case cases[] = {
      {300, 300, 1659270, false},      // holds the whole surface inside
      {-1659000, 300, 1659270, true},  // its right edge runs down through the surface
      {300, 1659570, 1659270, true},   // its top edge runs across it at y = 300
      {-3000000, -3000000, 100000, false},
      {2000000000, 300, 1999999700, true},  // centre near the 32-bit limit, left edge at 300
  };
  for (const Case& c : cases) {
    RecordingCanvas target("back");
    BoundedCanvas canvas(target, W, H);
    canvas.Ellipse(static_cast<std::int32_t>(c.cx - c.r), static_cast<std::int32_t>(c.cy - c.r),
                   static_cast<std::int32_t>(c.cx + c.r), static_cast<std::int32_t>(c.cy + c.r));
    EXPECT_TRUE(AllNear(target, kMargin));
    EXPECT_TRUE(target.Of(OpKind::Ellipse).empty());
    const std::vector<RecordingCanvas::Line> lines = target.Lines();
    EXPECT_EQ(!lines.empty(), c.crosses) << c.cx << "," << c.cy;
    for (const RecordingCanvas::Line& l : lines) {
      for (Point p : {l.from, l.to}) {
        const double d =
            std::hypot(static_cast<double>(p.x - c.cx), static_cast<double>(p.y - c.cy));
        EXPECT_NEAR(d, static_cast<double>(c.r), 2.0) << p.x << "," << p.y;
      }
    }
  }
}

TEST(BoundedCanvas, HugePicturesBlendOnlyTheirPartOnTheSurface) {
  RecordingCanvas target("back");
  RecordingCanvas picture("area");
  BoundedCanvas canvas(target, W, H);
  // 3,318,540 pixels wide from a 64-pixel picture: the surface lies over source column 31/32.
  canvas.Blend(-1659255, -1659255, 3318540, 3318540, picture, 0, 0, 64, 64, 100, kWhite);
  canvas.Blend(kMax - 10, 0, 5000, 600, picture, 0, 0, 64, 64, 100, kWhite);  // off the surface
  // Near the surface: whole up to kLargestBlend each way, cut beyond it.
  canvas.Blend(-100, -100, 4096, 4096, picture, 0, 0, 64, 64, 100, kWhite);
  canvas.Blend(-100, -100, 4097, 300, picture, 0, 0, 64, 64, 100, kWhite);
  canvas.Blend(5, -4000, 300, 4097, picture, 0, 0, 64, 64, 100, kWhite);
  EXPECT_THAT(target.Trace(), ElementsAre("Blend(0,0,601,600,area,31,31,2,2,100,#FFFFFF)",
                                          "Blend(-100,-100,4096,4096,area,0,0,64,64,100,#FFFFFF)",
                                          "Blend(0,0,601,200,area,1,21,10,43,100,#FFFFFF)",
                                          "Blend(5,0,300,97,area,0,62,64,2,100,#FFFFFF)"));
}

// Pasted codes with absurd radii, the area selected by a click: every frame hands the back
// buffer only coordinates near it, and the pieces and overlays still draw.
class HugeAreaFrameTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    auto back = std::make_unique<RecordingCanvas>("back");
    back_ = back.get();
    backBuffer = std::move(back);
    backgroundLayer = std::make_unique<RecordingCanvas>("layer");
    FinishStartUp();
  }
  void Load(const char* code) {
    fake.panels.UserTypes(Panel::Board, IDC_BOARD_INPUT, code);
    BoardPanelCommand(IDC_BOARD_LOAD);
  }
  RecordingCanvas* back_ = nullptr;
};

TEST_F(HugeAreaFrameTest, SelectedHugeAreasDrawNothingFarOffTheSurface) {
  const char* const codes[] = {
      "rb:0,0:55309",
      "rb:0,0:2 rb:0,0:2 rb:0,0:2 rb:0,0:2 rb:0,0:34237",
      "A:1,1:r rb:-2000000000,300:2147483647",
      "A:300,300:r rb:1000,1000:-70000",
  };
  for (const char* code : codes) {
    Load(code);
    OnLeftButtonDown(At(300, 300));
    OnLeftButtonUp(At(300, 300));
    for (int frame = 0; frame < 3; ++frame) {
      back_->ops.clear();
      ComposeFrame();
      EXPECT_TRUE(AllNear(*back_, kBound)) << code;
      EXPECT_EQ(back_->Problems(), "") << code;
    }
    // The next load and copy still work.
    Load("A:1,1:r");
    EXPECT_TRUE(characters[0].IsActive()) << code;
    EXPECT_EQ(BoardPanelCommand(IDC_BOARD_COPY), ClipboardResult::Ok);
  }
}

}  // namespace
}  // namespace dz::testing
