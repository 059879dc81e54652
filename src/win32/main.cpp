// The program entry, the main window and the three side panels on Win32. Everything the
// tool does happens in the portable core; this file hands the platform's messages to it.
// clang-format off
#include <windows.h>
#include <commctrl.h>  // after windows.h, which it needs
// clang-format on

#include <cstdint>
#include <cwchar>

#include "app/frame.h"
#include "app/main_window.h"
#include "app/pointer.h"
#include "app/settings.h"
#include "panels/panels.h"
#include "win32/gdi_canvas.h"
#include "win32/main_window.h"
#include "win32/win32_ports.h"

using dz::win32::appInstance;
using dz::win32::areaPanel;
using dz::win32::boardPanel;
using dz::win32::mainWindow;
using dz::win32::markerPanel;
using dz::win32::settingsMenu;

namespace {

constexpr wchar_t kClassName[] = L"qorintool";
constexpr int kVersion = 50;
constexpr DWORD kMainStyle = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
// The client rectangle the outer size is computed from; the menu bar takes its height out
// of it (AdjustWindowRect is asked without the menu).
constexpr RECT kClientRect = {0, 0, 800, 620};
// The panels' left edge: right of the board's 601 columns.
constexpr int kPanelLeft = 601;

// A mouse message's position: x in the low 16 bits of lParam, y in the high 16 bits, each
// read as unsigned.
dz::Point BoardPoint(LPARAM lParam) {
  const auto bits = static_cast<std::uint32_t>(static_cast<std::uintptr_t>(lParam));
  return dz::Point{static_cast<std::int32_t>(bits & 0xFFFFu),
                   static_cast<std::int32_t>((bits >> 16) & 0xFFFFu)};
}

dz::HeldButtons HeldButtonsOf(WPARAM wParam) {
  dz::HeldButtons held;
  held.left = (wParam & MK_LBUTTON) != 0;
  held.right = (wParam & MK_RBUTTON) != 0;
  return held;
}

// The dialog procedure's result of a board panel command.
INT_PTR DialogResultOf(dz::ClipboardResult result) {
  switch (result) {
    case dz::ClipboardResult::NoMemory:
      return -1;
    case dz::ClipboardResult::CannotOpen:
      return -2;
    case dz::ClipboardResult::Ok:
      break;
  }
  return 0;
}

// Creates a side panel from its dialog template as a modeless child of the main window.
HWND CreatePanel(HWND owner, const wchar_t* name, DLGPROC proc) {
  return CreateDialogParamW(appInstance, name, owner, proc, 0);
}

// Creates the three panels and docks them right of the board: the board panel at the
// top and always visible, the marker and area panels below it, hidden.
void CreatePanels(HWND window) {
  boardPanel = CreatePanel(window, L"SIDEDLG", BoardPanelProc);
  RECT client{};
  GetClientRect(boardPanel, &client);
  const int w = client.right - client.left;
  const int h = client.bottom - client.top;
  SetWindowPos(boardPanel, HWND_BOTTOM, kPanelLeft, 0, w, h, SWP_SHOWWINDOW);
  ShowWindow(boardPanel, SW_SHOW);

  markerPanel = CreatePanel(window, L"SIDEMARKERDLG", MarkerPanelProc);
  SetWindowPos(markerPanel, HWND_TOP, kPanelLeft, h, w, h, SWP_HIDEWINDOW);

  areaPanel = CreatePanel(window, L"SIDEAREADLG", AreaPanelProc);
  SetWindowPos(areaPanel, HWND_TOP, kPanelLeft, h, w, h, SWP_HIDEWINDOW);
}

void OnCreate(HWND window) {
  dz::win32::creatingWindow = window;
  // The board surfaces are made compatible with the window's device context.
  HDC dc = GetDC(window);
  dz::win32::SetReferenceDc(dc);
  dz::PrepareBoard();
  dz::win32::SetReferenceDc(nullptr);
  ReleaseDC(window, dc);
  settingsMenu = GetMenu(window);
  CreatePanels(window);
  dz::FinishStartUp();
}

void OnPaint(HWND window) {
  PAINTSTRUCT ps{};
  HDC dc = BeginPaint(window, &ps);
  if (dc != nullptr) {
    dz::win32::GdiCanvas canvas(dc, 0, 0);
    dz::PaintFrame(canvas);
  }
  EndPaint(window, &ps);
}

}  // namespace

// Side panel procedures: initialisation and every command go to the core. WM_INITDIALOG
// answers 0 so that no panel takes the keyboard focus when it is created (a hidden
// panel's combo box would otherwise get the focus and run its command).
INT_PTR CALLBACK BoardPanelProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      boardPanel = dialog;
      dz::BoardPanelInit();
      return 0;
    case WM_COMMAND:
      return DialogResultOf(dz::BoardPanelCommand(LOWORD(wParam)));
    default:
      return 0;
  }
}

INT_PTR CALLBACK MarkerPanelProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      markerPanel = dialog;
      dz::MarkerPanelInit();
      return 0;
    case WM_COMMAND:
      dz::MarkerPanelCommand(LOWORD(wParam));
      return 0;
    default:
      return 0;
  }
}

INT_PTR CALLBACK AreaPanelProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      areaPanel = dialog;
      dz::AreaPanelInit();
      return 0;
    case WM_COMMAND:
      dz::AreaPanelCommand(LOWORD(wParam));
      return 0;
    default:
      return 0;
  }
}

LRESULT CALLBACK MainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      OnCreate(window);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    case WM_PAINT:
      OnPaint(window);
      return 0;
    case WM_CLOSE:
      if (dz::ConfirmClose()) DestroyWindow(window);
      return 0;
    case WM_COMMAND:
      dz::OnSettingsCommand(LOWORD(wParam));
      return 0;
    case WM_LBUTTONDOWN:
      dz::OnLeftButtonDown(BoardPoint(lParam));
      return 0;
    case WM_MOUSEMOVE:
      dz::OnMouseMove(HeldButtonsOf(wParam), BoardPoint(lParam));
      return 0;
    case WM_LBUTTONUP:
      dz::OnLeftButtonUp(BoardPoint(lParam));
      return 0;
    case WM_RBUTTONDOWN:
      dz::OnRightButtonDown();
      return 0;
    case WM_RBUTTONUP:
      dz::OnRightButtonUp();
      return 0;
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

int RegisterMainClass(HINSTANCE instance) {
  WNDCLASSW wc{};
  wc.style = CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = MainWndProc;
  wc.cbClsExtra = 0;
  wc.cbWndExtra = 0;
  wc.hInstance = instance;
  wc.hIcon = LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION));
  wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  wc.hbrBackground = CreateSolidBrush(GetSysColor(COLOR_BTNFACE));  // lives as long as the class
  wc.lpszMenuName = L"AREAMENU";
  wc.lpszClassName = kClassName;
  return RegisterClassW(&wc);
}

int CreateMainWindow(HINSTANCE instance, int showCommand) {
  RECT outer = kClientRect;
  AdjustWindowRect(&outer, kMainStyle, FALSE);
  wchar_t title[260];
  std::swprintf(title, 260, L"dozero ver 0.%d", kVersion);
  HWND window = CreateWindowExW(0, kClassName, title, kMainStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                                outer.right - outer.left, outer.bottom - outer.top, nullptr,
                                nullptr, instance, nullptr);
  if (window == nullptr) return 0;
  ShowWindow(window, showCommand);
  UpdateWindow(window);
  mainWindow = window;
  return 1;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR, int showCommand) {
  appInstance = instance;
  dz::win32::InstallPorts();
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
  InitCommonControlsEx(&controls);
  dz::win32::ChooseLabelFace();
  if (previous == nullptr && RegisterMainClass(instance) == 0) return 0;
  if (CreateMainWindow(instance, showCommand) == 0) return 0;
  // The program has no accelerator table: the handle stays null and the step never
  // consumes a message.
  HACCEL accelerators = LoadAcceleratorsW(instance, L"ACCEL");
  MSG msg{};
  for (;;) {
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) break;
    if (got == -1) return 1;  // the message queue failed: not a normal end
    if (TranslateAcceleratorW(mainWindow, accelerators, &msg)) continue;
    if (IsDialogMessageW(mainWindow, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return static_cast<int>(msg.wParam);
}
