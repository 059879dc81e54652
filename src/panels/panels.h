// The commands of the three side panels. The platform's dialog procedures forward their
// initialisation and every command (whatever the notification) here.
#pragma once

#include "board/ports.h"

namespace dz {

void BoardPanelInit();
// Returns how the copy to the clipboard went for the copy command, Ok for every other one.
ClipboardResult BoardPanelCommand(int control);
void MarkerPanelInit();
void MarkerPanelCommand(int control);
void AreaPanelInit();
void AreaPanelCommand(int control);

// Runs the open-file dialog from the working directory and goes back to it afterwards.
// Returns the chosen file's full path, or null when nothing was chosen.
const char* ChooseBitmapFile();
// The name (without its folder) of the file last chosen by ChooseBitmapFile.
const char* ChosenBitmapName();

}  // namespace dz
