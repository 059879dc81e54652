// The main window's life cycle, as far as it is not the platform's.
#pragma once

namespace dz {

// The whole start-up of the main window, once the platform has created it and its three
// panels: PrepareBoard, the panels' boxes, FinishStartUp.
void StartUp();
// Window creation, before the panels exist: working directory, surfaces, empty board.
void PrepareBoard();
// Window creation, after the panels exist: settings start state, the shadow.
void FinishStartUp();
// The close confirmation; true when the window should be destroyed.
bool ConfirmClose();

}  // namespace dz
