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
#include "app/room_session.h"
#include "app/settings.h"
#include "base/geometry.h"
#include "panels/ids.h"
#include "panels/panels.h"
#include "version.h"
#include "win32/gdi_canvas.h"
#include "win32/main_window.h"
#include "win32/messages.h"
#include "win32/name_box.h"
#include "win32/room_window.h"
#include "win32/win32_ports.h"
#include "win32/window_dc.h"

namespace dz::win32 {
namespace {

constexpr wchar_t kClassName[] = L"qorintool";
constexpr DWORD kMainStyle = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

// ---- the side panels -------------------------------------------------------------------

// The dialog template of each panel.
constexpr const wchar_t* kPanelTemplates[] = {L"SIDEDLG", L"SIDEMARKERDLG", L"SIDEAREADLG"};

// The one procedure of the three panels: every command (whatever the notification) goes to
// the core. The creation parameter is the panels' handle slots, so the panel's handle is
// known from its creation on; the core fills the boxes at start-up. WM_INITDIALOG answers 0
// so that no panel takes the keyboard focus when it is created (a hidden panel's combo box
// would otherwise get the focus and run its command).
template <Panel P>
INT_PTR CALLBACK PanelProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      reinterpret_cast<AppHandles*>(lParam)->PanelWindow(P) = dialog;
      return 0;
    case WM_COMMAND: {
      const INT_PTR result = DialogResultOf(RunPanelCommand(P, LOWORD(wParam)));
      AfterInput();
      return result;
    }
    default:
      return 0;
  }
}

HWND CreatePanel(AppHandles& handles, Panel panel, DLGPROC proc) {
  return CreateDialogParamW(handles.appInstance, kPanelTemplates[static_cast<int>(panel)],
                            handles.mainWindow, proc, reinterpret_cast<LPARAM>(&handles));
}

}  // namespace

MainWindow::MainWindow(HINSTANCE instance) {
  handles_.appInstance = instance;
}

void MainWindow::Bind(HWND window) {
  BaseWindow::Bind(window);
  handles_.mainWindow = window;  // the ports act on it from the window's creation on
}

// Creates the three panels and docks them right of the board: the board panel at the
// top and always visible, the marker and area panels below it, hidden.
void MainWindow::CreatePanels() {
  CreatePanel(handles_, Panel::Board, PanelProc<Panel::Board>);
  RECT client{};
  GetClientRect(handles_.boardPanel, &client);
  const int w = client.right - client.left;
  const int h = client.bottom - client.top;
  SetWindowPos(handles_.boardPanel, HWND_BOTTOM, kPanelLeft, 0, w, h, SWP_SHOWWINDOW);
  ShowWindow(handles_.boardPanel, SW_SHOW);

  CreatePanel(handles_, Panel::Marker, PanelProc<Panel::Marker>);
  LimitToName(GetDlgItem(handles_.markerPanel, IDC_MARKER_NAME));
  SetWindowPos(handles_.markerPanel, HWND_TOP, kPanelLeft, h, w, h, SWP_HIDEWINDOW);

  CreatePanel(handles_, Panel::Area, PanelProc<Panel::Area>);
  SetWindowPos(handles_.areaPanel, HWND_TOP, kPanelLeft, h, w, h, SWP_HIDEWINDOW);
}

void MainWindow::OnCreate() {
  handles_.settingsMenu = GetMenu(window_);
  CreatePanels();
  // The board surfaces are made compatible with the window's device context.
  const WindowDc dc(window_);
  handles_.referenceDc = dc.Get();
  StartUp();
  handles_.referenceDc = nullptr;
  wchar_t title[260] = {};
  GetWindowTextW(window_, title, 260);
  StartRoom(window_, handles_.appInstance, title);
}

void MainWindow::OnPaint() {
  PAINTSTRUCT ps{};
  HDC dc = BeginPaint(window_, &ps);
  if (dc != nullptr) {
    GdiCanvas canvas(dc, 0, 0);
    PaintFrame(canvas);
  }
  EndPaint(window_, &ps);
}

void MainWindow::OnClose() {
  if (ConfirmClose()) DestroyWindow(window_);
}

LRESULT MainWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (HandleRoomMessage(message, wParam, lParam)) return 0;
  switch (message) {
    case WM_CREATE:
      OnCreate();
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    case WM_PAINT:
      OnPaint();
      return 0;
    case WM_CLOSE:
      OnClose();
      return 0;
    case WM_COMMAND:
      OnSettingsCommand(LOWORD(wParam));
      AfterInput();
      return 0;
    case WM_LBUTTONDOWN:
      OnLeftButtonDown(BoardPoint(lParam));
      AfterInput();
      return 0;
    case WM_MOUSEMOVE:
      OnMouseMove(HeldButtonsOf(wParam), BoardPoint(lParam));
      AfterInput();
      return 0;
    case WM_LBUTTONUP:
      OnLeftButtonUp(BoardPoint(lParam));
      AfterInput();
      return 0;
    case WM_RBUTTONDOWN:
      OnRightButtonDown();
      AfterInput();
      return 0;
    case WM_RBUTTONUP:
      OnRightButtonUp();
      AfterInput();
      return 0;
    default:
      return DefWindowProcW(window_, message, wParam, lParam);
  }
}

bool MainWindow::RegisterWindowClass() {
  WNDCLASSW wc{};
  wc.style = CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = handles_.appInstance;
  wc.hIcon = LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION));
  wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  wc.hbrBackground = CreateSolidBrush(GetSysColor(COLOR_BTNFACE));  // lives as long as the class
  wc.lpszMenuName = L"AREAMENU";
  wc.lpszClassName = kClassName;
  return RegisterClassW(&wc) != 0;
}

bool MainWindow::Create(int showCommand) {
  // The client rectangle the outer size is computed from; the menu bar takes its height out
  // of it (AdjustWindowRect is asked without the menu).
  RECT outer = {0, 0, kClientWidth, kClientHeight};
  AdjustWindowRect(&outer, kMainStyle, FALSE);
  wchar_t title[260];
  std::swprintf(title, 260, L"dozero ver 0.%d", DOZERO_VERSION_MINOR);
  HWND window = CreateWindowExW(0, kClassName, title, kMainStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                                outer.right - outer.left, outer.bottom - outer.top, nullptr,
                                nullptr, handles_.appInstance, this);
  if (window == nullptr) return false;
  ShowWindow(window, showCommand);
  UpdateWindow(window);
  return true;
}

int MainWindow::RunMessageLoop() {
  // The program has no accelerator table: the handle stays null and the step never
  // consumes a message.
  HACCEL accelerators = LoadAcceleratorsW(handles_.appInstance, L"ACCEL");
  MSG msg{};
  for (;;) {
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) break;
    if (got == -1) return 1;  // the message queue failed: not a normal end
    if (TranslateAcceleratorW(handles_.mainWindow, accelerators, &msg)) continue;
    if (IsDialogMessageW(handles_.mainWindow, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return static_cast<int>(msg.wParam);
}

}  // namespace dz::win32

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR, int showCommand) {
  // The window object lives as long as the process: the ports act on its handles.
  static dz::win32::MainWindow window(instance);
  dz::win32::InstallPorts(window.Handles());
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
  InitCommonControlsEx(&controls);
  dz::win32::ChooseLabelFace();
  if (previous == nullptr && !window.RegisterWindowClass()) return 0;
  if (!window.Create(showCommand)) return 0;
  return window.RunMessageLoop();
}
