// Placeholder: replaced by the real implementation.
#include "panels/panels.h"

namespace dz {
void BoardPanelInit() {}
int BoardPanelCommand(int) {
  return 0;
}
void MarkerPanelInit() {}
void MarkerPanelCommand(int) {}
void AreaPanelInit() {}
void AreaPanelCommand(int) {}
const char* ChooseBitmapFile() {
  return nullptr;
}
}  // namespace dz
