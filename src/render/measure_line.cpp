// Placeholder: replaced by the real implementation.
#include "render/measure_line.h"

namespace dz {
void DrawMeasureLine(Canvas&) {}
}  // namespace dz
