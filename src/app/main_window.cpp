// The main window's own start-up and its close confirmation. The platform's window
// procedure calls PrepareBoard, creates the three side panels (their initialisation runs
// inside their creation) and then calls FinishStartUp.
#include "app/main_window.h"

#include "app/settings.h"
#include "board/board.h"
#include "board/ports.h"
#include "render/surfaces.h"

namespace dz {

void PrepareBoard() {
  ports.files->GetCurrentDir(workDir, kWorkDirSize);
  backBuffer = ports.pictures->CreateSurface(kSurfaceWidth, kSurfaceHeight);
  backgroundLayer = ports.pictures->CreateSurface(kSurfaceWidth, kSurfaceHeight);
  if (backgroundLayer) DrawBoardBackground(*backgroundLayer);
}

void FinishStartUp() {
  InitSettings();
  shadow.LoadBitmapFile("shadow.bmp");
  shadow.SetAlpha(150);
  shadow.SetPosition(kParked, kParked);
}

bool ConfirmClose() {
  return ports.messages->AskYesNo("終了してもよろしいですか？", "終了確認");
}

}  // namespace dz
