// The commands of the three side panels. The platform's dialog procedures forward their
// initialisation and every command (whatever the notification) here.
#pragma once

namespace dz {

class Area;

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
// The name (without its folder) of the file last chosen by ChooseBitmapFile.
const char* ChosenBitmapName();

// Selects the radius box's entry for the area's radius, or no entry when the radius is
// none of the choices. Selecting from code notifies nothing.
void ShowRadiusOf(const Area& area);

}  // namespace dz
