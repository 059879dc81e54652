// The commands of the three side panels. The platform's dialog procedures forward their
// initialisation and every command (whatever the notification) here.
#pragma once

#include "board/pieces.h"
#include "panels/ui_ports.h"

namespace dz {

// Every panel: fills its boxes at start-up (the platform has created the panel).
void InitPanel(Panel panel);
// Runs the command of a panel's control, whatever its notification. Returns how the copy to
// the clipboard went for the board panel's copy command, Ok for every other one.
ClipboardResult RunPanelCommand(Panel panel, int control);

// The commands of each panel, as RunPanelCommand runs them.

void BoardPanelInit();
// Returns how the copy to the clipboard went for the copy command, Ok for every other one.
ClipboardResult BoardPanelCommand(int control);
void MarkerPanelInit();
void MarkerPanelCommand(int control);
void AreaPanelInit();
void AreaPanelCommand(int control);

// Builds the code and shows it in the board panel's code field.
void WriteCoordinateCode();

// Whether filling the name box runs its command (as any change of the box does: the name is
// stored again, the code rewritten, the board repainted) or changes nothing.
enum class NameBoxFill : std::uint8_t { RunsCommand, Silent };
// Shows a character in the marker panel: name, colour and melee mark. Selecting the colour
// and setting the mark notify nothing.
void FillMarkerPanel(const Character& c, NameBoxFill fill);
// Selects the radius box's entry for the area's radius, or no entry when the radius is none
// of the choices. Notifies nothing.
void FillAreaPanel(const Area& area);
// Selects the grid size's entry in the board panel's list (no notification).
void ShowGridSize();
// Shows or hides the melee check box; returns whether it shows now.
bool OfferMeleeCheck(bool offered);
// Shows the marker or the area panel and hides the other (Panel::Board: hides both; the
// board panel always stays).
void ShowPiecePanel(Panel panel);

// Runs the open-file dialog from the working directory and goes back to it afterwards.
// Returns the chosen file's full path, or null when nothing was chosen.
const char* ChooseBitmapFile();
// The name (without its folder) of the file last chosen by ChooseBitmapFile.
const char* ChosenBitmapName();

}  // namespace dz
