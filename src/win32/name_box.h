// The marker panel's name box on Win32: it holds at most what a code carries.
#pragma once

#include <windows.h>

namespace dz::win32 {

// Makes `box` (an edit control) hold at most a name's bytes of code page 932, cut after a
// whole character, whatever its font and width: typing or pasting beyond that is refused
// with a beep and leaves the text as it was; a text set from outside (this program or
// another one) is cut to the limit before the box takes it.
void LimitToName(HWND box);

}  // namespace dz::win32
