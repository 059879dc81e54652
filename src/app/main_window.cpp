// Placeholder: replaced by the real implementation.
#include "app/main_window.h"

namespace dz {
void PrepareBoard() {}
void FinishStartUp() {}
bool ConfirmClose() {
  return false;
}
}  // namespace dz
