// The program's window and dialog procedures and its start-up steps on Win32.
#pragma once

#include <windows.h>

int RegisterMainClass(HINSTANCE instance);
int CreateMainWindow(HINSTANCE instance, int showCommand);
LRESULT CALLBACK MainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK BoardPanelProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK MarkerPanelProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK AreaPanelProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
