// The main window's own start-up and its close confirmation. The platform creates the
// window and its three side panels, then calls StartUp.
#include "app/main_window.h"

#include "app/settings.h"
#include "board/board.h"
#include "board/ports.h"
#include "panels/panels.h"
#include "panels/ui_ports.h"
#include "render/surfaces.h"

namespace dz {

void PrepareBoard() {
  uiPorts.files->GetCurrentDir(workDir, kWorkDirSize);
  backBuffer = ports.pictures->CreateSurface(kSurfaceWidth, kSurfaceHeight);
  backgroundLayer = ports.pictures->CreateSurface(kSurfaceWidth, kSurfaceHeight);
  if (backgroundLayer) DrawBoardBackground(*backgroundLayer);
}

void FinishStartUp() {
  InitSettings();
  shadow.LoadBitmapFile("shadow.bmp");
  shadow.SetAlpha(150);
  shadow.SetPosition(kParked, kParked);
  FitPiecesToGrid();
}

void StartUp() {
  PrepareBoard();
  for (Panel panel : {Panel::Board, Panel::Marker, Panel::Area}) InitPanel(panel);
  FinishStartUp();
}

bool ConfirmClose() {
  // "終了してもよろしいですか？" and "終了確認", as code page 932 bytes in every build.
  return ports.messages->AskYesNo(
      "\x8fI\x97\xb9\x82\xb5\x82\xc4\x82\xe0\x82\xe6\x82\xeb\x82\xb5\x82\xa2\x82\xc5\x82"
      "\xb7\x82\xa9\x81H",
      "\x8fI\x97\xb9\x8am\x94\x46");
}

}  // namespace dz
