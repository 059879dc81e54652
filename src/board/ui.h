// What the board asks of its user interface, for every layer above it: the settings (the
// check marks of the menu), the repaint request, and the panel box that shows the selected
// area's radius.
#pragma once

#include "board/pieces.h"

namespace dz {

// Whether a setting's menu item carries its check mark now.
bool IsSettingOn(int menuId);
// Asks for a repaint of the board rectangle (0, 0, 601, 600), without erasing.
void InvalidateBoard();
// Selects the radius box's entry for the area's radius, or no entry when the radius is
// none of the choices. Selecting from code notifies nothing.
void ShowRadiusOf(const Area& area);

}  // namespace dz
