// The settings are the check marks of the main window's menu; nothing else holds them.
#pragma once

namespace dz {

bool IsSettingOn(int menuId);
void ToggleMenuCheck(int menuId);
// Start state: the template has every item checked; round-down and round-up go off.
void InitSettings();
// Handles a menu command; false when the id is not one of the six settings.
bool OnSettingsCommand(int commandId);
// Asks for a repaint of the board rectangle (0, 0, 601, 600), without erasing.
void InvalidateBoard();

}  // namespace dz
