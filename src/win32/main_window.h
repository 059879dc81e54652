// The program's main window on Win32: the board, its menu and the three side panels
// docked right of it. The object owns every handle of the program's windows.
#pragma once

#include <windows.h>

#include "win32/base_window.h"
#include "win32/win32_ports.h"

namespace dz::win32 {

class MainWindow : public BaseWindow<MainWindow> {
 public:
  explicit MainWindow(HINSTANCE instance);
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  // Registers the window class; false when the platform refuses.
  bool RegisterWindowClass();
  // Creates, shows and paints the window; false when it could not be created.
  bool Create(int showCommand);
  // Runs the message loop until the window is destroyed; the program's exit code.
  int RunMessageLoop();

  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

  AppHandles& Handles() { return handles_; }

 private:
  friend class BaseWindow<MainWindow>;
  void Bind(HWND window);

  void OnCreate();
  void OnPaint();
  void OnClose();
  bool HandleInput(UINT message, WPARAM wParam, LPARAM lParam);

  AppHandles handles_;
};

// Creates the three side panels and docks them right of the board (main.cpp, beside the
// panels' procedure).
void CreatePanels(AppHandles& handles);

}  // namespace dz::win32
