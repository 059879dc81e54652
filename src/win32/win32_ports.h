// The platform side of the core's ports, on Win32, and the handles of the program's
// windows.
#pragma once

#include <windows.h>

#include "board/ports.h"

namespace dz::win32 {

// The application handles. mainWindow is set only once the window has been shown and
// painted; until then (window creation, first paint) the ports work on creatingWindow,
// the handle that the window procedure was given at WM_CREATE.
extern HINSTANCE appInstance;
extern HWND mainWindow;
extern HWND creatingWindow;
extern HMENU settingsMenu;
extern HWND boardPanel;
extern HWND markerPanel;
extern HWND areaPanel;

// The window the ports act on: mainWindow once it is set, creatingWindow before.
HWND BoardWindow();

// The device context that new board surfaces are made compatible with, while the main
// window's creation holds one; null otherwise (the screen is used then).
void SetReferenceDc(HDC dc);

// Installs the Win32 implementations of every port.
void InstallPorts();

}  // namespace dz::win32
