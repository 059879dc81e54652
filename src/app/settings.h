// The settings are the check marks of the main window's menu; nothing else holds them.
#pragma once

namespace dz {

// Whether a setting's menu item carries its check mark now.
bool IsSettingOn(int menuId);

void ToggleMenuCheck(int menuId);
// Start state: the template has every item checked; round-down and round-up go off.
void InitSettings();
// Handles a menu command; false when the id is not one of the six settings.
bool OnSettingsCommand(int commandId);

}  // namespace dz
