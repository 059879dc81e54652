// The main window's life cycle, as far as it is not the platform's.
#pragma once

namespace dz {

// Window creation, before the panels exist: working directory, surfaces, empty board.
void PrepareBoard();
// Window creation, after the panels exist: settings start state, the shadow.
void FinishStartUp();
// The close confirmation; true when the window should be destroyed.
bool ConfirmClose();

}  // namespace dz
