// What the window shows of a room: the effects of the room's changes on the panels, and the
// status line.
#include "app/room_session.h"

#include <gtest/gtest.h>

#include <string>

#include "window_fixture.h"

namespace dz::testing {
namespace {

using RoomSessionTest = WindowTest;

TEST_F(RoomSessionTest, APieceTheRoomTookAwayIsNoLongerSelectedAndItsPanelCloses) {
  AddMarkerAt(1, 1);
  OnLeftButtonDown(At(15, 15));  // selected and dragging
  ASSERT_TRUE(Visible(Panel::Marker));
  characters[0].Clear();  // as the room writes a deletion
  ShowRoomChanges(false);
  EXPECT_EQ(selectedCharacter, -1);
  EXPECT_EQ(dragging, 0);
  EXPECT_FALSE(Visible(Panel::Marker));
  EXPECT_EQ(shadow.GetPosition(), (Point{kParked, kParked}));
  EXPECT_EQ(CodeField(), "");
  EXPECT_GE(Repaints(), 1);
}

TEST_F(RoomSessionTest, ARemoteChangeOfTheSelectedPiecesShowsInTheirPanels) {
  Character& a = AddMarkerAt(1, 1);
  OnLeftButtonDown(At(15, 15));
  OnLeftButtonUp(At(15, 15));
  a.SetName("Q");
  a.SetColor(MarkerColor(2));
  SetGridSize(20);
  ClearRecords();
  ShowRoomChanges(true);
  EXPECT_EQ(fake.panels.Text(Panel::Marker, IDC_MARKER_NAME), "Q");
  EXPECT_EQ(Control(Panel::Marker, IDC_MARKER_COLOR).selection, 2);
  EXPECT_EQ(Control(Panel::Board, IDC_BOARD_GRID).selection, 0);  // 20, the first entry
  EXPECT_EQ(CodeField(), "Q:1,1:b");
  for (const auto& n : fake.panels.notifications) EXPECT_NE(n.second, IDC_BOARD_GRID);
}

TEST(RoomStatusText, EachStateHasItsLine) {
  struct Case {
    RoomStatus status;
    RoomProblem problem;
    int refusal, members;
    const char* text;  // code page 932
  };
  const Case cases[] = {
      {RoomStatus::Outside, RoomProblem::None, 0, 0, ""},
      {RoomStatus::Connecting, RoomProblem::None, 0, 0,
       "\x83\x8b\x81[\x83\x80: \x90\xda\x91\xb1\x92\x86\x81"
       "c"},
      {RoomStatus::Connected, RoomProblem::None, 0, 3,
       "\x83\x8b\x81[\x83\x80: \x90\xda\x91\xb1 3\x90l"},
      {RoomStatus::Waiting, RoomProblem::Refused, 5, 0, nullptr},
      {RoomStatus::Waiting, RoomProblem::Unreachable, 0, 0, nullptr},
  };
  for (const Case& c : cases) {
    char out[128];
    const int n = FormatRoomStatus(c.status, c.problem, c.refusal, c.members, out, sizeof out);
    EXPECT_EQ(n, static_cast<int>(std::string(out).size()));
    if (c.text != nullptr) {
      EXPECT_STREQ(out, c.text);
    }
  }
  // Every problem says that it retries, the refusal with its code; a short buffer is cut.
  char out[128];
  FormatRoomStatus(RoomStatus::Waiting, RoomProblem::Refused, 5, 0, out, sizeof out);
  EXPECT_NE(std::string(out).find("(5)"), std::string::npos);
  for (RoomProblem p : {RoomProblem::Unreachable, RoomProblem::Refused, RoomProblem::Protocol,
                        RoomProblem::Timeout, RoomProblem::Lost}) {
    FormatRoomStatus(RoomStatus::Waiting, p, 5, 0, out, sizeof out);
    EXPECT_NE(std::string(out).find("\x8d\xc4\x90\xda\x91\xb1\x92\x86"), std::string::npos);
  }
  EXPECT_EQ(FormatRoomStatus(RoomStatus::Connected, RoomProblem::None, 0, 12, out, 4), 3);
}

}  // namespace
}  // namespace dz::testing
