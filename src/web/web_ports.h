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

// A .bmp file read by the program's own reader, as the Windows front-end reads its
// pictures, so that a file it refuses fails to load instead of showing as garbage. Returns
// width × height RGBA pixels (opaque: the reader has put any alpha over white), allocated
// with malloc for the page to free, and their size in wh[0] and wh[1]; null when the file
// is refused.
std::uint8_t* DecodeBmpPicture(const std::uint8_t* data, int size, int* wh);

}  // namespace dz::web
