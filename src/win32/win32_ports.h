// The platform side of the core's ports, on Win32, and the handles of the program's
// windows.
#pragma once

#include <windows.h>

#include "board/ports.h"
#include "panels/ui_ports.h"

namespace dz::win32 {

// The handles of the program's windows, owned by the main window object; the ports act on
// them. A handle not yet created is null, and a port then does nothing with it.
struct AppHandles {
  HINSTANCE appInstance = nullptr;
  HWND mainWindow = nullptr;  // from the main window's creation on
  HMENU settingsMenu = nullptr;
  HWND boardPanel = nullptr;
  HWND markerPanel = nullptr;
  HWND areaPanel = nullptr;
  // The device context that new board surfaces are made compatible with, while the main
  // window's creation holds one; null otherwise (the screen is used then).
  HDC referenceDc = nullptr;

  HWND& PanelWindow(Panel panel);
};

// Installs the Win32 implementations of every port, acting on `handles`, which must live
// as long as the ports are installed.
void InstallPorts(AppHandles& handles);

}  // namespace dz::win32
