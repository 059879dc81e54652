#include "board/ui.h"

#include "base/geometry.h"
#include "board/board.h"
#include "panels/ids.h"
#include "board/ports.h"

namespace dz {

bool IsSettingOn(int menuId) {
  return ports.menu->IsChecked(menuId);
}

void InvalidateBoard() {
  ports.repaint->Invalidate(0, 0, kSurfaceWidth, kSurfaceHeight, false);
}

void ShowRadiusOf(const Area& area) {
  const std::int32_t r = area.GetRadius();
  const int entry = (r >= 2 && r < 2 + kRadiusChoiceCount) ? static_cast<int>(r - 2) : -1;
  ports.panels->SelectComboEntry(Panel::Area, IDC_AREA_RADIUS, entry);
}

}  // namespace dz
