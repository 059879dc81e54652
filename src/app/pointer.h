// The mouse on the board: select, drag, drop, measure.
#pragma once

#include "base/geometry.h"

namespace dz {

// The buttons held during a pointer move.
struct HeldButtons {
  bool left = false;
  bool right = false;
};

// Every position is a board point; the front-end decodes it from its platform's event.
void OnLeftButtonDown(Point at);
void OnMouseMove(HeldButtons buttons, Point at);
void OnLeftButtonUp(Point at);
void OnRightButtonDown();
void OnRightButtonUp();

}  // namespace dz
