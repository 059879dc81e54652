// The measuring line from the selected character to the pointer, with the perpendiculars.
#pragma once

#include "base/canvas.h"
#include "base/geometry.h"
#include "render/distances.h"

namespace dz {

// What the measuring line depends on besides the board, read by the caller once per frame.
struct MeasureOptions {
  Point pointer;       // where the pointer is, in board pixels
  bool snap;           // the line ends at the centre of the pointer's cell, which is framed
  bool lineDistances;  // the perpendiculars of the other pieces are drawn
  Rounding rounding;
};

void DrawMeasureLine(Canvas& surface, const MeasureOptions& options);

}  // namespace dz
