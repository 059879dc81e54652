// The commands of the three side panels. The platform's dialog procedures forward their
// initialisation and every command (whatever the notification) here.
#pragma once

namespace dz {

void BoardPanelInit();
// Returns the dialog procedure's result: 0, or −1 / −2 when copying to the clipboard fails.
int BoardPanelCommand(int control);
void MarkerPanelInit();
void MarkerPanelCommand(int control);
void AreaPanelInit();
void AreaPanelCommand(int control);

// Runs the open-file dialog from the working directory and goes back to it afterwards.
// Returns the chosen file's full path, or null when nothing was chosen.
const char* ChooseBitmapFile();

}  // namespace dz
