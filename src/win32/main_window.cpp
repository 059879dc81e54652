// The main window's methods: creation, painting, closing and the board's messages, each
// handed to the portable core.
#include "win32/main_window.h"

#include <cwchar>

#include "app/frame.h"
#include "app/main_window.h"
#include "app/pointer.h"
#include "app/room_session.h"
#include "app/settings.h"
#include "base/geometry.h"
#include "version.h"
#include "win32/gdi_canvas.h"
#include "win32/messages.h"
#include "win32/room_window.h"
#include "win32/window_dc.h"

namespace dz::win32 {
namespace {

constexpr wchar_t kClassName[] = L"qorintool";
constexpr DWORD kMainStyle = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

}  // namespace

MainWindow::MainWindow(HINSTANCE instance) {
  handles_.appInstance = instance;
}

void MainWindow::Bind(HWND window) {
  BaseWindow::Bind(window);
  handles_.mainWindow = window;  // the ports act on it from the window's creation on
}

void MainWindow::OnCreate() {
  handles_.settingsMenu = GetMenu(window_);
  CreatePanels(handles_);
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

// The user's input for the core: menu commands and the mouse on the board. True when the
// message was one.
bool MainWindow::HandleInput(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      OnSettingsCommand(LOWORD(wParam));
      return true;
    case WM_LBUTTONDOWN:
      OnLeftButtonDown(BoardPoint(lParam));
      return true;
    case WM_MOUSEMOVE:
      OnMouseMove(HeldButtonsOf(wParam), BoardPoint(lParam));
      return true;
    case WM_LBUTTONUP:
      OnLeftButtonUp(BoardPoint(lParam));
      return true;
    case WM_RBUTTONDOWN:
      OnRightButtonDown();
      return true;
    case WM_RBUTTONUP:
      OnRightButtonUp();
      return true;
    default:
      return false;
  }
}

LRESULT MainWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (HandleRoomMessage(message, wParam, lParam)) return 0;
  if (HandleInput(message, wParam, lParam)) {
    AfterInput();  // the room takes the board's changes
    return 0;
  }
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
