// Placeholder: replaced by the real implementation.
#include "app/settings.h"

namespace dz {
bool IsSettingOn(int) {
  return false;
}
void ToggleMenuCheck(int) {}
void InitSettings() {}
bool OnSettingsCommand(int) {
  return false;
}
void InvalidateBoard() {}
}  // namespace dz
