// The ports of the browser edition and the few things the page's entry points share
// with them.
#pragma once

#include <cstdint>

#include "board/ports.h"
#include "panels/ui_ports.h"

namespace dz::web {

void InstallPorts();

// The file the user picked in the page's file chooser, offered once to the next
// ChooseBitmap (which answers "nothing chosen" when no pick waits). UTF-8.
void SetChosenFile(const char* path, const char* name);

// The pointer position the cursor port reports: the last one the board saw.
void SetPointerPosition(std::int32_t x, std::int32_t y);

}  // namespace dz::web
