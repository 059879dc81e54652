// The board of a freshly created main window for the tests of the pointer, the panels and
// the frame: the fakes behave like the platform, and every notification of a control runs
// the command of its panel, as the dialog procedures do, so the tests see the same
// re-entrancy as the window (filling the name box runs the marker panel's name command).
#pragma once

#include <cstdint>
#include <string>

#include "app/pointer.h"
#include "app/settings.h"
#include "board/board.h"
#include "fake_ports.h"
#include "panels/ids.h"
#include "panels/panels.h"
#include "render/surfaces.h"

namespace dz::testing {

constexpr Point At(std::int32_t x, std::int32_t y) {
  return Point{x, y};
}

constexpr HeldButtons kNoButtons{};
constexpr HeldButtons kLeftButton{true, false};
constexpr HeldButtons kRightButton{false, true};
constexpr HeldButtons kBothButtons{true, true};

class WindowTest : public BoardTest {
 protected:
  void SetUp() override {
    BoardTest::SetUp();
    fake.panels.notify = [](Panel panel, int control) { RunPanelCommand(panel, control); };
    for (Panel panel : {Panel::Board, Panel::Marker, Panel::Area}) InitPanel(panel);
    // The menu template has every item checked; start-up takes the two roundings off.
    for (int id : {IDM_SNAP, IDM_MARKER_DISTANCES, IDM_LINE_DISTANCES, IDM_ROUND_HALF_UP,
                   IDM_ROUND_DOWN, IDM_ROUND_UP}) {
      fake.menu.checked[id] = true;
    }
    InitSettings();
    ClearRecords();
  }
  void TearDown() override {
    fake.panels.notify = nullptr;
    backBuffer.reset();
    backgroundLayer.reset();
    backgroundImage.reset();
    BoardTest::TearDown();
  }

  void ClearRecords() {
    fake.panels.notifications.clear();
    fake.repaint.requests.clear();
  }

  // A marker as the board panel adds it (slot, name and red from the command), then moved.
  Character& AddMarkerAt(std::int32_t x, std::int32_t y) {
    const std::int32_t slot = FindFreeCharacter();
    BoardPanelCommand(IDC_BOARD_ADD_MARKER);
    characters[slot].SetPosition(x, y);
    return characters[slot];
  }
  // An area as the board panel adds it, then given its radius and top-left.
  Area& AddAreaAt(std::int32_t x, std::int32_t y, std::int32_t radius) {
    const std::int32_t slot = FindFreeArea();
    BoardPanelCommand(IDC_BOARD_ADD_AREA);
    areas[slot].SetRadius(radius);
    areas[slot].SetPosition(x, y);
    return areas[slot];
  }

  const std::string& CodeField() { return fake.panels.Text(Panel::Board, IDC_BOARD_CODE); }
  int Repaints() { return static_cast<int>(fake.repaint.requests.size()); }
  bool Visible(Panel p) { return fake.panels.panelVisible[p]; }
  FakePanels::Control& Control(Panel p, int id) { return fake.panels.At(p, id); }
  void Snap(bool on) { fake.menu.checked[IDM_SNAP] = on; }
};

}  // namespace dz::testing
