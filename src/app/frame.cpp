// Placeholder: replaced by the real implementation.
#include "app/frame.h"

namespace dz {
void ComposeFrame() {}
void PaintFrame(Canvas&) {}
}  // namespace dz
