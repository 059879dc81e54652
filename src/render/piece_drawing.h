// The pieces in layer order: shadow, melee characters, areas, other characters, the ring.
#pragma once

#include "base/canvas.h"
#include "board/pieces.h"

namespace dz {

// A character's disc and name, or the shadow's picture and name, in a cell-sized box at its
// position; nothing for a character that is not on the board.
void DrawCharacter(Canvas& surface, const Character& c);
// An area's picture in its box (twice its radius at the grid size) and its centre mark, in
// the pen and brush the caller has selected; nothing without a picture.
void DrawArea(Canvas& surface, const Area& a);
void DrawPieces(Canvas& surface);

}  // namespace dz
