// One frame of the board, composed off-screen.
#pragma once

#include "base/canvas.h"

namespace dz {

// Composes the frame into backBuffer.
void ComposeFrame();
// Composes the frame and copies it to the window's surface in one block.
void PaintFrame(Canvas& window);

}  // namespace dz
