// One frame of the board. The prepared background layer is copied into the back buffer,
// the pieces and the distance overlays are drawn there, and the result reaches the window
// in one block.
#include "app/frame.h"

#include "app/settings.h"
#include "board/board.h"
#include "panels/ids.h"
#include "panels/ui_ports.h"
#include "render/bounded_canvas.h"
#include "render/distances.h"
#include "render/measure_line.h"
#include "render/piece_drawing.h"
#include "render/surfaces.h"

namespace dz {
namespace {

// The block copied from the layer: 600 wide, so the back buffer's column x = 600 keeps
// whatever was last drawn there.
constexpr std::int32_t kLayerCopyWidth = kBoardSize;
constexpr std::int32_t kLayerCopyHeight = kBoardSize;
// The block copied to the window.
constexpr std::int32_t kWindowCopyWidth = kClientWidth;
constexpr std::int32_t kWindowCopyHeight = kClientHeight;

}  // namespace

FrameOptions ReadFrameOptions() {
  FrameOptions o{};
  o.markerDistances = IsSettingOn(IDM_MARKER_DISTANCES);
  o.measure.pointer = uiPorts.cursor->Position();
  o.measure.snap = IsSettingOn(IDM_SNAP);
  o.measure.lineDistances = IsSettingOn(IDM_LINE_DISTANCES);
  o.measure.rounding = Rounding{IsSettingOn(IDM_ROUND_HALF_UP), IsSettingOn(IDM_ROUND_DOWN),
                                IsSettingOn(IDM_ROUND_UP)};
  return o;
}

void ComposeFrame() {
  ComposeFrame(ReadFrameOptions());
}

void ComposeFrame(const FrameOptions& options) {
  if (!backBuffer) return;
  // Pieces and lines may lie anywhere in the 32-bit plane: the surface is handed only what
  // lies near it.
  BoundedCanvas frame(*backBuffer, kSurfaceWidth, kSurfaceHeight);
  frame.CopyFrom(0, 0, kLayerCopyWidth, kLayerCopyHeight, backgroundLayer.get(), 0, 0);

  // While a character is dragged the pieces lie under the distance lines.
  if (dragging) DrawPieces(frame);

  const Rounding& rounding = options.measure.rounding;
  if (const Character* selected = SelectedCharacterPiece()) {
    if (measuring) {
      DrawMeasureLine(frame, options.measure);  // in place of the marker distances
    } else if (options.markerDistances) {
      DrawMarkerDistances(frame, rounding);
    }
    if (!selected->IsMelee()) DrawMoveDistance(frame, rounding);
  }

  if (!dragging) DrawPieces(frame);
}

// The copy to the window has the extent 800 × 620 from the origin, while the back buffer
// holds 601 × 600 pixels. The window's canvas clips a copy to its source's extent: the
// board's 601 × 600 pixels reach the window and the rest of the client area (below the
// board, and right of it where no panel covers it) keeps the window's own background.
void PaintFrame(Canvas& window) {
  ComposeFrame();
  window.CopyFrom(0, 0, kWindowCopyWidth, kWindowCopyHeight, backBuffer.get(), 0, 0);
}

}  // namespace dz
