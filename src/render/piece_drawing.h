// The pieces in layer order: shadow, melee characters, areas, other characters, the ring.
#pragma once

#include "base/canvas.h"

namespace dz {

void DrawPieces(Canvas& surface);

}  // namespace dz
