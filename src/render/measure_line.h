// The measuring line from the selected character to the pointer, with the perpendiculars.
#pragma once

#include "base/canvas.h"

namespace dz {

void DrawMeasureLine(Canvas& surface);

}  // namespace dz
