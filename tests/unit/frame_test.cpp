#include "app/frame.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "app/pointer.h"
#include "recording_canvas.h"
#include "window_fixture.h"

namespace dz::testing {
namespace {

class FrameTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    auto back = std::make_unique<RecordingCanvas>("back");
    auto layer = std::make_unique<RecordingCanvas>("layer");
    back_ = back.get();
    backBuffer = std::move(back);
    backgroundLayer = std::move(layer);
    FinishStartUp();  // the shadow with its picture, parked
  }
  RecordingCanvas& Back() { return *back_; }

  std::vector<std::string> Trace() { return Back().Trace(); }
  bool HasLine(Point from, Point to) {
    for (const RecordingCanvas::Line& l : Back().Lines()) {
      if (l.from == from && l.to == to) return true;
    }
    return false;
  }
  // Index of the first operation of a kind, or ops.size() when there is none.
  std::size_t First(OpKind kind) {
    const auto& ops = Back().ops;
    return static_cast<std::size_t>(
        std::find_if(ops.begin(), ops.end(),
                     [kind](const RecordingCanvas::Op& op) { return op.kind == kind; }) -
        ops.begin());
  }
  std::size_t Last(OpKind kind) {
    const auto& ops = Back().ops;
    for (std::size_t i = ops.size(); i > 0; --i) {
      if (ops[i - 1].kind == kind) return i - 1;
    }
    return ops.size();
  }

 private:
  RecordingCanvas* back_ = nullptr;
};

// Steps 3 and 5 of the typical drag: while A is dragged the pieces lie under the lines,
// after the drop over them, and the movement line is gone.
TEST_F(FrameTest, TheTypicalDragDrawsLinesOverThePiecesOnlyWhileDragging) {
  Snap(true);
  BoardPanelCommand(IDC_BOARD_ADD_MARKER);  // A at (1, 1)
  AddMarkerAt(91, 61);                      // B, centre (106, 76)
  OnLeftButtonDown(At(15, 15));
  OnMouseMove(kLeftButton, At(45, 15));

  ComposeFrame();
  ASSERT_FALSE(Back().ops.empty());
  EXPECT_EQ(Trace().front(), "CopyFrom(0,0,600,600,layer,0,0)");
  EXPECT_TRUE(HasLine({46, 16}, {106, 76}));  // marker distance to B
  EXPECT_TRUE(HasLine({46, 16}, {16, 16}));   // movement from the shadow
  const std::vector<std::string> trace = Trace();
  EXPECT_NE(std::find(trace.begin(), trace.end(), "TextAt(21,6,1m)"), trace.end());
  // Every piece label comes before every distance label and line.
  EXPECT_LT(Last(OpKind::TextInBox), First(OpKind::TextAt));
  EXPECT_LT(Last(OpKind::TextInBox), First(OpKind::LineTo));
  EXPECT_EQ(Back().Problems(), "");

  OnLeftButtonUp(At(45, 15));
  Back().ClearOps();
  ComposeFrame();
  EXPECT_EQ(Trace().front(), "CopyFrom(0,0,600,600,layer,0,0)");
  EXPECT_TRUE(HasLine({46, 16}, {106, 76}));
  EXPECT_FALSE(HasLine({46, 16}, {16, 16}));
  EXPECT_FALSE(HasLine({46, 16}, {46, 16}));
  EXPECT_LT(Last(OpKind::TextAt), First(OpKind::TextInBox));
  EXPECT_LT(Last(OpKind::LineTo), First(OpKind::TextInBox));
}

TEST_F(FrameTest, TheOverlaysFollowMeasuringTheSettingAndTheMeleeFlag) {
  struct Case {
    const char* what;
    bool measuringOn, markerDistances, melee;
    bool measureLine, distanceLine, moveLine;
  };
  const Case cases[] = {
      {"plain", false, true, false, false, true, true},
      {"measuring replaces marker distances", true, true, false, true, false, true},
      {"marker distances off", false, false, false, false, false, true},
      {"measuring with the setting off", true, false, false, true, false, true},
      {"melee: no movement", false, true, true, false, true, false},
      {"melee and measuring", true, true, true, true, false, false},
  };
  Snap(false);
  fake.menu.checked[IDM_LINE_DISTANCES] = false;
  fake.cursor.position = Point{400, 300};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ResetBoardState();
    Character& a = AddMarkerAt(31, 1);  // centre (46, 16)
    AddMarkerAt(91, 61);                // centre (106, 76)
    selectedCharacter = 0;
    shadow.LoadBitmapFile("shadow.bmp");
    shadow.SetPosition(1, 1);  // centre (16, 16) once drawn at 30 × 30
    shadow.SetWidth(30);
    shadow.SetHeight(30);
    a.SetMelee(c.melee ? 1 : 0);
    measuring = c.measuringOn ? 1 : 0;
    fake.menu.checked[IDM_MARKER_DISTANCES] = c.markerDistances;
    Back().ClearOps();
    ComposeFrame();
    EXPECT_EQ(HasLine({46, 16}, {400, 300}), c.measureLine);
    EXPECT_EQ(HasLine({46, 16}, {106, 76}), c.distanceLine);
    EXPECT_EQ(HasLine({46, 16}, {16, 16}), c.moveLine);
    // Not dragging: the pieces come last.
    EXPECT_LT(Last(OpKind::LineTo), First(OpKind::TextInBox));
  }
}

TEST_F(FrameTest, WithoutASelectionAFrameHoldsTheLayerAndThePiecesOnly) {
  AddMarkerAt(1, 1);
  AddMarkerAt(91, 61);
  AddAreaAt(200, 200, 2);
  shadow.SetPosition(31, 31);
  ComposeFrame();
  EXPECT_EQ(Trace().front(), "CopyFrom(0,0,600,600,layer,0,0)");
  EXPECT_EQ(Back().Count(OpKind::LineTo), 0u);
  EXPECT_EQ(Back().Count(OpKind::TextAt), 0u);
  EXPECT_EQ(Back().Count(OpKind::TextInBox), 3u);  // the shadow, A and B

  // A selected area adds its ring, nothing else.
  OnLeftButtonDown(At(260, 260));
  ASSERT_EQ(selectedArea, 0);
  Back().ClearOps();
  ComposeFrame();
  EXPECT_EQ(Back().Count(OpKind::LineTo), 0u);
  EXPECT_EQ(Back().Count(OpKind::TextAt), 0u);
}

TEST_F(FrameTest, PaintingCopiesTheFrameToTheWindowInOneBlock) {
  AddMarkerAt(1, 1);
  RecordingCanvas window("window");
  PaintFrame(window);
  EXPECT_EQ(window.Trace(), (std::vector<std::string>{"CopyFrom(0,0,800,620,back,0,0)"}));
  EXPECT_EQ(window.ops.size(), 1u);
  EXPECT_FALSE(Back().ops.empty());
}

TEST_F(FrameTest, MissingSurfacesDrawNothingAndDoNotCrash) {
  AddMarkerAt(1, 1);
  selectedCharacter = 0;
  backgroundLayer.reset();
  ComposeFrame();
  EXPECT_EQ(Trace().front(), "CopyFrom(0,0,600,600,null,0,0)");

  backBuffer.reset();
  ComposeFrame();
  RecordingCanvas window("window");
  PaintFrame(window);
  EXPECT_EQ(window.Trace(), (std::vector<std::string>{"CopyFrom(0,0,800,620,null,0,0)"}));
}

class StartUpTest : public WindowTest {};

TEST_F(StartUpTest, PrepareBoardKeepsTheDirectoryAndDrawsTheEmptyBoardIntoTheLayer) {
  fake.files.currentDir = "C:\\games\\dozero";
  std::vector<RecordingCanvas*> made;
  std::vector<std::pair<std::int32_t, std::int32_t>> sizes;
  fake.pictures.makeSurface = [&](std::int32_t w, std::int32_t h) {
    auto s = std::make_unique<RecordingCanvas>(made.empty() ? "first" : "second");
    made.push_back(s.get());
    sizes.emplace_back(w, h);
    return s;
  };
  PrepareBoard();
  EXPECT_STREQ(workDir, "C:\\games\\dozero");
  ASSERT_EQ(made.size(), 2u);
  EXPECT_EQ(sizes, (std::vector<std::pair<std::int32_t, std::int32_t>>{{601, 600}, {601, 600}}));
  EXPECT_EQ(backBuffer.get(), made[0]);
  EXPECT_EQ(backgroundLayer.get(), made[1]);
  EXPECT_TRUE(made[0]->ops.empty());  // the back buffer is not cleared
  EXPECT_EQ(made[1]->Lines().size(), 42u);
  EXPECT_EQ(Repaints(), 0);
}

TEST_F(StartUpTest, FinishStartUpSetsTheMenuAndParksTheShadow) {
  for (int id : {IDM_ROUND_DOWN, IDM_ROUND_UP}) fake.menu.checked[id] = true;
  FinishStartUp();
  EXPECT_FALSE(fake.menu.checked[IDM_ROUND_DOWN]);
  EXPECT_FALSE(fake.menu.checked[IDM_ROUND_UP]);
  EXPECT_TRUE(fake.menu.checked[IDM_ROUND_HALF_UP]);
  EXPECT_EQ(fake.pictures.loads, (std::vector<std::string>{"shadow.bmp"}));
  EXPECT_TRUE(shadow.IsActive());
  EXPECT_EQ(shadow.Alpha(), 150);
  EXPECT_EQ(shadow.GetPosition(), (Point{-100, -100}));

  // Without the picture the user is told and start-up goes on.
  ResetBoardState();
  fake.pictures.available.erase("shadow.bmp");
  FinishStartUp();
  EXPECT_EQ(fake.messages.errors, (std::vector<std::string>{"shadow.bmpの読み込みに失敗しました"}));
  EXPECT_EQ(shadow.Alpha(), 150);
  EXPECT_EQ(shadow.GetPosition(), (Point{-100, -100}));
}

TEST_F(StartUpTest, TheWindowClosesOnlyOnYes) {
  for (bool answer : {false, true}) {
    fake.messages.answer = answer;
    EXPECT_EQ(ConfirmClose(), answer);
  }
  EXPECT_EQ(fake.messages.questions, (std::vector<std::pair<std::string, std::string>>(
                                         2, {"終了してもよろしいですか？", "終了確認"})));
}

}  // namespace
}  // namespace dz::testing
