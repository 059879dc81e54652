#include "app/settings.h"

#include "fake_ports.h"
#include "panels/ids.h"

namespace dz::testing {
namespace {

constexpr int kAllSettings[] = {IDM_SNAP,          IDM_MARKER_DISTANCES, IDM_LINE_DISTANCES,
                                IDM_ROUND_HALF_UP, IDM_ROUND_DOWN,       IDM_ROUND_UP};

class SettingsTest : public BoardTest {
 protected:
  void SetUp() override {
    BoardTest::SetUp();
    for (int id : kAllSettings) fake.menu.checked[id] = true;  // as the menu template has them
    InitSettings();
  }
  std::map<int, bool> Marks() {
    std::map<int, bool> m;
    for (int id : kAllSettings) m[id] = IsSettingOn(id);
    return m;
  }
};

TEST_F(SettingsTest, StartStateLeavesHalfUpAsTheOnlyRounding) {
  EXPECT_EQ(Marks(), (std::map<int, bool>{{IDM_SNAP, true},
                                          {IDM_MARKER_DISTANCES, true},
                                          {IDM_LINE_DISTANCES, true},
                                          {IDM_ROUND_HALF_UP, true},
                                          {IDM_ROUND_DOWN, false},
                                          {IDM_ROUND_UP, false}}));
  EXPECT_TRUE(fake.repaint.requests.empty());
}

TEST_F(SettingsTest, EachCommandTogglesOrChoosesAndRepaintsAsItShould) {
  struct Case {
    int id;
    bool repaints;
  };
  for (const Case& c :
       {Case{IDM_SNAP, false}, Case{IDM_LINE_DISTANCES, false}, Case{IDM_MARKER_DISTANCES, true}}) {
    SCOPED_TRACE(c.id);
    fake.repaint.requests.clear();
    const bool before = IsSettingOn(c.id);
    EXPECT_TRUE(OnSettingsCommand(c.id));
    EXPECT_EQ(IsSettingOn(c.id), !before);
    EXPECT_EQ(fake.repaint.requests.size(), c.repaints ? 1u : 0u);
    EXPECT_TRUE(OnSettingsCommand(c.id));
    EXPECT_EQ(IsSettingOn(c.id), before);
  }
}

TEST_F(SettingsTest, ARoundingCommandLeavesExactlyItsOwnMarkAndRepaints) {
  const int rounding[] = {IDM_ROUND_HALF_UP, IDM_ROUND_DOWN, IDM_ROUND_UP};
  for (int chosen : {IDM_ROUND_DOWN, IDM_ROUND_DOWN, IDM_ROUND_UP, IDM_ROUND_HALF_UP}) {
    SCOPED_TRACE(chosen);
    fake.repaint.requests.clear();
    EXPECT_TRUE(OnSettingsCommand(chosen));
    for (int id : rounding) EXPECT_EQ(IsSettingOn(id), id == chosen);
    ASSERT_EQ(fake.repaint.requests.size(), 1u);
  }
}

TEST_F(SettingsTest, OtherIdsAreNotHandledAndChangeNothing) {
  const auto before = Marks();
  for (int id : {40005, 1, 0, -1, 1008}) {
    EXPECT_FALSE(OnSettingsCommand(id));
  }
  EXPECT_EQ(Marks(), before);
  EXPECT_TRUE(fake.repaint.requests.empty());
}

TEST_F(SettingsTest, InvalidateBoardMarksOnlyTheBoardWithoutErasing) {
  InvalidateBoard();
  ASSERT_EQ(fake.repaint.requests.size(), 1u);
  const auto& r = fake.repaint.requests[0];
  EXPECT_EQ(r.left, 0);
  EXPECT_EQ(r.top, 0);
  EXPECT_EQ(r.right, 601);
  EXPECT_EQ(r.bottom, 600);
  EXPECT_FALSE(r.erase);
  EXPECT_FALSE(r.wholeWindow);
}

}  // namespace
}  // namespace dz::testing
