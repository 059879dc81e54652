#include "app/settings.h"

#include <initializer_list>

#include "board/ports.h"
#include "panels/ids.h"
#include "panels/ui_ports.h"

namespace dz {

bool IsSettingOn(int menuId) {
  return uiPorts.menu->IsChecked(menuId);
}

void ToggleMenuCheck(int menuId) {
  uiPorts.menu->SetChecked(menuId, !IsSettingOn(menuId));
}

void InitSettings() {
  uiPorts.menu->SetChecked(IDM_ROUND_DOWN, false);
  uiPorts.menu->SetChecked(IDM_ROUND_UP, false);
}

namespace {

// Exactly one rounding item carries the mark; the command sets all three in menu order.
void ChooseRounding(int chosen) {
  for (int id : {IDM_ROUND_HALF_UP, IDM_ROUND_DOWN, IDM_ROUND_UP}) {
    uiPorts.menu->SetChecked(id, id == chosen);
  }
}

}  // namespace

bool OnSettingsCommand(int commandId) {
  switch (commandId) {
    case IDM_SNAP:
    case IDM_LINE_DISTANCES:
      // Read at the next event that needs them: nothing to repaint now.
      ToggleMenuCheck(commandId);
      return true;
    case IDM_MARKER_DISTANCES:
      ToggleMenuCheck(commandId);
      InvalidateBoard();
      return true;
    case IDM_ROUND_HALF_UP:
    case IDM_ROUND_DOWN:
    case IDM_ROUND_UP:
      ChooseRounding(commandId);
      InvalidateBoard();
      return true;
    default:
      return false;
  }
}

}  // namespace dz
