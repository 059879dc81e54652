#include "app/pointer.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#include "code/coordinate_code.h"
#include "window_fixture.h"

namespace dz::testing {
namespace {

class PointerTest : public WindowTest {};

// The typical drag: "A" one cell to the right at grid size 30 with snapping on.
TEST_F(PointerTest, DraggingACharacterOneCellRightStepByStep) {
  Snap(true);
  BoardPanelCommand(IDC_BOARD_ADD_MARKER);  // "A" at (1, 1)
  ASSERT_EQ(CodeField(), "A:1,1:r");
  ClearRecords();

  // 1. Press inside A's box.
  OnLeftButtonDown(At(15, 15));
  EXPECT_EQ(selectedCharacter, 0);
  EXPECT_EQ(selectedArea, -1);
  EXPECT_EQ(shadow.GetPosition(), (Point{1, 1}));
  EXPECT_EQ(fake.panels.Text(Panel::Marker, IDC_MARKER_NAME), "A");
  // Filling the name box ran the name command on A: stored again, code, repaint.
  ASSERT_FALSE(fake.panels.notifications.empty());
  EXPECT_EQ(fake.panels.notifications.front(), std::make_pair(Panel::Marker, IDC_MARKER_NAME));
  EXPECT_STREQ(characters[0].GetName(), "A");
  EXPECT_EQ(CodeField(), "A:1,1:r");
  EXPECT_EQ(Control(Panel::Marker, IDC_MARKER_COLOR).selection, 0);
  EXPECT_FALSE(Control(Panel::Marker, IDC_MARKER_MELEE).checked);
  EXPECT_FALSE(Visible(Panel::Area));
  EXPECT_TRUE(Visible(Panel::Marker));
  EXPECT_EQ(dragging, 1);
  EXPECT_EQ(Repaints(), 2);  // the name command's and the press's own
  ClearRecords();

  // 2. Move with the button held.
  OnMouseMove(kLeftButton, At(45, 15));
  EXPECT_EQ(characters[0].GetPosition(), (Point{31, 1}));
  EXPECT_EQ(CodeField(), "A:31,1:r");
  EXPECT_EQ(Repaints(), 1);
  EXPECT_EQ(shadow.GetPosition(), (Point{1, 1}));

  // 4. Release.
  ClearRecords();
  OnLeftButtonUp(At(45, 15));
  EXPECT_EQ(characters[0].GetPosition(), (Point{31, 1}));
  EXPECT_EQ(shadow.GetPosition(), (Point{31, 1}));
  EXPECT_FALSE(Control(Panel::Marker, IDC_MARKER_MELEE).visible);
  EXPECT_EQ(characters[0].IsMelee(), 0);
  EXPECT_EQ(CodeField(), "A:31,1:r");
  EXPECT_EQ(dragging, 0);
  EXPECT_EQ(Repaints(), 1);
  EXPECT_EQ(selectedCharacter, 0);
  EXPECT_TRUE(Visible(Panel::Marker));
}

TEST_F(PointerTest, WorkedExampleDropsOfACharacterAndOfAMovedArea) {
  Snap(true);
  AddMarkerAt(61, 1);
  OnLeftButtonDown(At(70, 10));
  OnMouseMove(kLeftButton, At(94, 39));
  OnLeftButtonUp(At(95, 40));
  EXPECT_EQ(characters[0].GetPosition(), (Point{91, 31}));
  EXPECT_EQ(shadow.GetPosition(), (Point{91, 31}));

  Area& area = AddAreaAt(200, 200, 2);  // box 120 × 120
  OnLeftButtonDown(At(250, 250));
  EXPECT_EQ(selectedArea, 0);
  EXPECT_EQ(selectedCharacter, -1);
  EXPECT_EQ(areaPressPos, (Point{200, 200}));
  OnMouseMove(kLeftButton, At(100, 52));
  EXPECT_EQ(area.GetPosition(), (Point{40, -8}));  // centre under the pointer, no snap
  ClearRecords();
  OnLeftButtonUp(At(100, 52));
  EXPECT_EQ(area.GetPosition(), (Point{45, 0}));
  EXPECT_EQ(CodeField(), "A:91,31:r rb:45,0:2");
  EXPECT_EQ(Repaints(), 1);
  EXPECT_EQ(selectedArea, 0);
  EXPECT_TRUE(Visible(Panel::Area));
}

TEST_F(PointerTest, AnAreaClickedWithoutMovingStaysExactlyWhereItWas) {
  Snap(true);
  Area& area = AddAreaAt(203, 207, 3);
  WriteCoordinateCode();
  const std::string code = CodeField();
  OnLeftButtonDown(At(250, 250));
  ClearRecords();
  OnLeftButtonUp(At(250, 250));
  EXPECT_EQ(area.GetPosition(), (Point{203, 207}));
  EXPECT_EQ(CodeField(), code);
  EXPECT_EQ(Repaints(), 0);
  EXPECT_TRUE(fake.panels.notifications.empty());
}

TEST_F(PointerTest, ADroppedAreaCentresOnAHalfCellLine) {
  struct Case {
    std::int32_t grid;
    std::int32_t release;
    std::int32_t centre;
  };
  const Case cases[] = {
      {30, 100, 105}, {30, 52, 60}, {30, 5, 15},  {30, 0, 15}, {30, 7, 15},    {30, 22, 30},
      {25, 100, 96},  {25, 5, 12},  {25, 18, 24}, {20, 3, 10}, {40, 100, 100}, {40, 9, 20},
  };
  Snap(true);
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "grid " << c.grid << " at " << c.release);
    ResetBoardState();
    gridSize = c.grid;
    Area& area = AddAreaAt(300, 300, 2);
    OnLeftButtonDown(At(301 + c.grid, 301 + c.grid));
    OnMouseMove(kLeftButton, At(c.release, c.release));
    OnLeftButtonUp(At(c.release, c.release));
    EXPECT_EQ(area.GetPosition().x, c.centre - 2 * c.grid);
    EXPECT_EQ(area.GetCenter().x, c.centre);
    EXPECT_EQ(area.GetPosition().y, c.centre - 2 * c.grid);
  }
}

TEST_F(PointerTest, WithoutSnappingPiecesFollowThePointerAndStayWhereTheyWereLeft) {
  Snap(false);
  Character& a = AddMarkerAt(1, 1);
  OnLeftButtonDown(At(15, 15));
  OnMouseMove(kLeftButton, At(100, 57));
  EXPECT_EQ(a.GetPosition(), (Point{85, 42}));
  OnLeftButtonUp(At(300, 300));  // a release elsewhere keeps the last move
  EXPECT_EQ(a.GetPosition(), (Point{85, 42}));
  EXPECT_EQ(shadow.GetPosition(), (Point{85, 42}));

  Area& area = AddAreaAt(200, 200, 2);
  OnLeftButtonDown(At(250, 250));
  OnMouseMove(kLeftButton, At(101, 53));
  OnLeftButtonUp(At(101, 53));
  EXPECT_EQ(area.GetPosition(), (Point{41, -7}));
  EXPECT_EQ(CodeField(), "A:85,42:r rb:41,-7:2");
}

TEST_F(PointerTest, AClickOnACharacterWithSnappingMovesItIntoTheCellUnderThePointer) {
  Snap(true);
  Character& a = AddMarkerAt(5, 5);
  OnLeftButtonDown(At(33, 33));
  OnLeftButtonUp(At(33, 33));
  EXPECT_EQ(a.GetPosition(), (Point{31, 31}));
  EXPECT_EQ(shadow.GetPosition(), (Point{31, 31}));
}

TEST_F(PointerTest, TheBoxTestIsStrictOnAllFourSides) {
  Character& a = AddMarkerAt(10, 10);  // 30 × 30
  struct Case {
    std::int32_t x, y;
    bool hit;
  };
  for (const Case& c : {Case{11, 11, true}, Case{39, 39, true}, Case{10, 20, false},
                        Case{40, 20, false}, Case{20, 10, false}, Case{20, 40, false}}) {
    SCOPED_TRACE(::testing::Message() << c.x << "," << c.y);
    OnLeftButtonDown(At(c.x, c.y));
    EXPECT_EQ(selectedCharacter, c.hit ? 0 : -1);
    OnLeftButtonUp(At(c.x, c.y));
    a.SetPosition(10, 10);
  }
}

TEST_F(PointerTest, TheLowestSlotWinsAndCharactersComeBeforeAreas) {
  Snap(false);
  AddAreaAt(0, 0, 3);      // area 0: box (0, 0)–(180, 180)
  AddAreaAt(100, 100, 2);  // area 1: box (100, 100)–(220, 220)
  AddMarkerAt(300, 300);   // A, slot 0
  AddMarkerAt(290, 290);   // B, slot 1, overlaps A and is drawn over it
  AddMarkerAt(140, 140);   // C, slot 2, over both areas
  struct Case {
    std::int32_t x, y;
    std::int32_t character, area;
  };
  for (const Case& c : {Case{305, 305, 0, -1}, Case{295, 295, 1, -1}, Case{150, 150, 2, -1},
                        Case{110, 110, -1, 0}, Case{200, 200, -1, 1}}) {
    SCOPED_TRACE(::testing::Message() << c.x << "," << c.y);
    OnLeftButtonDown(At(c.x, c.y));
    EXPECT_EQ(selectedCharacter, c.character);
    EXPECT_EQ(selectedArea, c.area);
    EXPECT_EQ(Visible(Panel::Marker), c.character != -1);
    EXPECT_EQ(Visible(Panel::Area), c.area != -1);
    EXPECT_EQ(dragging, c.character != -1 ? 1 : 0);
    OnLeftButtonUp(At(c.x, c.y));
  }
}

TEST_F(PointerTest, ASizedSlotWithoutColourIsNotDrawnButStillTakesAPress) {
  char code[kCodeSize] = "A:1,1:r Q:100,100:x";
  ReadCoordinateCode(code);
  ASSERT_FALSE(characters[1].IsActive());
  OnLeftButtonDown(At(110, 110));
  EXPECT_EQ(selectedCharacter, 1);
  EXPECT_EQ(fake.panels.Text(Panel::Marker, IDC_MARKER_NAME), "Q");
  EXPECT_TRUE(Visible(Panel::Marker));
}

// A drag never leaves a piece off the board, whichever edge the pointer crosses and however
// far: its centre (or with snapping its cell) stays on the board, where a press finds it.
TEST_F(PointerTest, APieceDraggedOffTheBoardStaysOnItWhereItCanBeGrabbed) {
  struct Case {
    Point release;
    bool snap;
    Point topLeft;
  };
  for (const Case& c : {Case{{661, 91}, true, {571, 91}}, Case{{301, 661}, true, {301, 571}},
                        Case{{-20, 91}, true, {1, 91}}, Case{{91, -20}, true, {91, 1}},
                        Case{{65521, 65521}, true, {571, 571}}, Case{{700, 700}, false, {584, 584}},
                        Case{{-30, -30}, false, {-15, -15}}}) {
    SCOPED_TRACE(::testing::Message() << c.release.x << "," << c.release.y << " snap " << c.snap);
    ResetBoardState();
    Character& a = AddMarkerAt(91, 91);
    Snap(c.snap);
    OnLeftButtonDown(At(100, 100));
    OnMouseMove(kLeftButton, c.release);
    OnLeftButtonUp(c.release);
    EXPECT_EQ(a.GetPosition(), c.topLeft);
    const Point centre = a.GetCenter();
    OnLeftButtonDown(At(std::clamp(centre.x, 0, 599), std::clamp(centre.y, 0, 599)));
    EXPECT_EQ(selectedCharacter, 0);
    OnLeftButtonUp(centre);
  }
}

TEST_F(PointerTest, TheMeleeRuleOnReleaseLooksAtTheCentreAndTheAreasSquareBoxes) {
  struct Case {
    const char* what;
    std::int32_t releaseX, releaseY;  // snapping on: top-left becomes g · (v ÷ g) + 1
    bool offered;
  };
  // Area 1 at (200, 200), radius 2: box (200, 200)–(320, 320). A's centre is top-left + 15.
  const Case cases[] = {
      {"centre in the middle", 250, 250, true},
      {"centre in a corner of the box", 300, 300, true},  // centre (316, 316)
      {"centre outside", 400, 400, false},
      {"centre on no area", 10, 10, false},
  };
  Snap(true);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ResetBoardState();
    AddAreaAt(200, 200, 2);
    Character& a = AddMarkerAt(1, 1);
    a.SetMelee(1);
    Control(Panel::Marker, IDC_MARKER_MELEE).visible = !c.offered;
    OnLeftButtonDown(At(15, 15));
    // During the drag the box keeps the visibility of the previous drop.
    OnMouseMove(kLeftButton, At(c.releaseX, c.releaseY));
    EXPECT_EQ(Control(Panel::Marker, IDC_MARKER_MELEE).visible, !c.offered);
    OnLeftButtonUp(At(c.releaseX, c.releaseY));
    EXPECT_EQ(Control(Panel::Marker, IDC_MARKER_MELEE).visible, c.offered);
    EXPECT_EQ(a.IsMelee(), c.offered ? 1 : 0);
    EXPECT_EQ(CodeField().find(';') != std::string::npos, c.offered);
  }
}

TEST_F(PointerTest, APressOnEmptyBoardClearsTheSelectionOnly) {
  Character& a = AddMarkerAt(1, 1);
  OnLeftButtonDown(At(15, 15));
  OnMouseMove(kLeftButton, At(100, 100));
  const Point shadowBefore = shadow.GetPosition();
  const Point aBefore = a.GetPosition();
  ClearRecords();
  OnLeftButtonDown(At(500, 500));
  EXPECT_EQ(selectedCharacter, -1);
  EXPECT_EQ(selectedArea, -1);
  EXPECT_EQ(Repaints(), 0);
  EXPECT_TRUE(fake.panels.notifications.empty());
  EXPECT_TRUE(Visible(Panel::Marker));
  EXPECT_EQ(dragging, 1);
  EXPECT_EQ(shadow.GetPosition(), shadowBefore);
  // Without a selection moves and releases do nothing.
  OnMouseMove(kBothButtons, At(300, 300));
  OnLeftButtonUp(At(300, 300));
  EXPECT_EQ(a.GetPosition(), aBefore);
  EXPECT_EQ(Repaints(), 0);
  EXPECT_EQ(dragging, 1);
}

TEST_F(PointerTest, TheRightButtonMeasuresOnlyWithACharacterSelected) {
  OnRightButtonDown();
  EXPECT_EQ(measuring, 0);
  OnMouseMove(kRightButton, At(100, 100));
  OnRightButtonUp();
  EXPECT_EQ(Repaints(), 0);

  Character& a = AddMarkerAt(1, 1);
  OnLeftButtonDown(At(15, 15));
  OnLeftButtonUp(At(15, 15));
  ClearRecords();
  OnRightButtonDown();
  EXPECT_EQ(measuring, 1);
  EXPECT_EQ(Repaints(), 1);
  OnMouseMove(kRightButton, At(300, 200));  // repaint only
  EXPECT_EQ(Repaints(), 2);
  EXPECT_EQ(a.GetPosition(), (Point{1, 1}));
  OnRightButtonUp();
  EXPECT_EQ(measuring, 0);
  EXPECT_EQ(Repaints(), 3);
  OnRightButtonUp();  // not measuring: nothing
  EXPECT_EQ(Repaints(), 3);
  OnMouseMove(kNoButtons, At(300, 200));
  EXPECT_EQ(Repaints(), 3);
}

TEST_F(PointerTest, WithBothButtonsHeldTheSelectedCharacterFollowsThePointer) {
  Snap(true);
  Character& a = AddMarkerAt(1, 1);
  OnLeftButtonDown(At(15, 15));
  OnRightButtonDown();
  ClearRecords();
  OnMouseMove(kBothButtons, At(75, 45));
  EXPECT_EQ(a.GetPosition(), (Point{61, 31}));
  EXPECT_EQ(CodeField(), "A:61,31:r");
  EXPECT_EQ(Repaints(), 1);
  EXPECT_EQ(measuring, 1);
  // Within the same cell the character stays, but the measuring line follows the pointer.
  OnMouseMove(kBothButtons, At(80, 50));
  EXPECT_EQ(a.GetPosition(), (Point{61, 31}));
  EXPECT_EQ(Repaints(), 2);
}

TEST_F(PointerTest, AMoveWithTheLeftButtonMovesAnAreaSelectedEarlier) {
  Area& area = AddAreaAt(200, 200, 2);
  OnLeftButtonDown(At(250, 250));
  OnLeftButtonUp(At(250, 250));
  OnMouseMove(kRightButton, At(400, 400));  // the right button alone moves no area
  EXPECT_EQ(area.GetPosition(), (Point{200, 200}));
  OnMouseMove(kLeftButton, At(400, 400));  // the button went down elsewhere
  EXPECT_EQ(area.GetPosition(), (Point{340, 340}));
}

// Moves that leave the dragged piece where it is ask for no frame and leave a code field
// that shows the code alone; the field still gets the code back if the user typed over it.
TEST_F(PointerTest, MovesThatLeaveThePieceInPlaceRepaintNothing) {
  Snap(true);
  BoardPanelCommand(IDC_BOARD_ADD_MARKER);  // "A" at (1, 1)
  Area& area = AddAreaAt(300, 300, 2);
  OnLeftButtonDown(At(15, 15));
  auto codeSets = [&] {
    int n = 0;
    for (const auto& note : fake.panels.notifications) {
      if (note == std::make_pair(Panel::Board, IDC_BOARD_CODE)) ++n;
    }
    return n;
  };
  struct Step {
    const char* typed;  // what the user typed into the code field first, if anything
    std::int32_t x, y;
    int repaints;
    int codeSets;
    const char* code;
  };
  const Step steps[] = {
      {nullptr, 45, 15, 1, 1, "A:31,1:r rb:300,300:2"},                  // into the next cell
      {nullptr, 50, 22, 0, 0, "A:31,1:r rb:300,300:2"},                  // within it
      {"typed", 59, 29, 0, 1, "A:31,1:r rb:300,300:2"},                  // within, field typed over
      {"A:31,1:r rb:300,300:2 ", 58, 3, 0, 1, "A:31,1:r rb:300,300:2"},  // a longer text
      {nullptr, 61, 15, 1, 1, "A:61,1:r rb:300,300:2"},                  // into the next cell
  };
  for (const Step& step : steps) {
    if (step.typed != nullptr) fake.panels.UserTypes(Panel::Board, IDC_BOARD_CODE, step.typed);
    ClearRecords();
    OnMouseMove(kLeftButton, At(step.x, step.y));
    EXPECT_EQ(Repaints(), step.repaints) << step.x << "," << step.y;
    EXPECT_EQ(codeSets(), step.codeSets) << step.x << "," << step.y;
    EXPECT_EQ(CodeField(), step.code) << step.x << "," << step.y;
  }
  // An area follows the pointer pixel by pixel: the same point twice is one move.
  OnLeftButtonUp(At(61, 15));
  OnLeftButtonDown(At(350, 350));
  ASSERT_EQ(selectedArea, 0);
  OnMouseMove(kLeftButton, At(355, 350));
  ClearRecords();
  OnMouseMove(kLeftButton, At(355, 350));
  EXPECT_EQ(Repaints(), 0);
  EXPECT_EQ(codeSets(), 0);
  OnMouseMove(kLeftButton, At(356, 350));
  EXPECT_EQ(Repaints(), 1);
  EXPECT_EQ(area.GetPosition(), (Point{296, 290}));
}

TEST_F(PointerTest, PiecesFromACodeAnywhereInThe32BitRangeMoveAndDropSafely) {
  // A huge radius makes the box and the corner offset wrap; nothing may trap.
  char code[kCodeSize] = "rb:-2147483648,-2147483648:2147483647 A:2147483647,2147483647:r";
  ReadCoordinateCode(code);
  Snap(true);
  areas[0].SetPosition(0, 0);
  areas[0].SetWidth(std::numeric_limits<std::int32_t>::max());
  areas[0].SetHeight(std::numeric_limits<std::int32_t>::max());
  OnLeftButtonDown(At(100, 100));
  ASSERT_EQ(selectedArea, 0);
  OnMouseMove(kLeftButton, At(50, 60));
  OnLeftButtonUp(At(50, 60));
  EXPECT_NE(areas[0].GetPosition(), (Point{0, 0}));
}

}  // namespace
}  // namespace dz::testing
