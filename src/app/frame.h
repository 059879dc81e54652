// One frame of the board, composed off-screen.
#pragma once

#include "base/canvas.h"
#include "render/distances.h"
#include "render/measure_line.h"

namespace dz {

// What a frame draws besides the board: the settings and the pointer, read once per frame.
struct FrameOptions {
  bool markerDistances;
  MeasureOptions measure;  // its rounding is the rule of every distance of the frame
};
FrameOptions ReadFrameOptions();

// Composes the frame into backBuffer.
void ComposeFrame(const FrameOptions& options);
// Reads the options now and composes the frame with them.
void ComposeFrame();
// Composes the frame and copies it to the window's surface in one block.
void PaintFrame(Canvas& window);

}  // namespace dz
