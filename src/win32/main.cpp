// The program entry and the three side panels on Win32 (the main window is in
// main_window.cpp). Everything the tool does happens in the portable core; this file hands
// the panels' messages to it.
// clang-format off
#include <windows.h>
#include <commctrl.h>  // after windows.h, which it needs
// clang-format on

#include "app/room_session.h"
#include "base/geometry.h"
#include "panels/ids.h"
#include "panels/panels.h"
#include "win32/gdi_canvas.h"
#include "win32/main_window.h"
#include "win32/messages.h"
#include "win32/name_box.h"
#include "win32/win32_ports.h"

namespace dz::win32 {
namespace {

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

// Creates the three panels and docks them right of the board: the board panel at the
// top and always visible, the marker and area panels below it, hidden.
void CreatePanels(AppHandles& handles) {
  CreatePanel(handles, Panel::Board, PanelProc<Panel::Board>);
  RECT client{};
  GetClientRect(handles.boardPanel, &client);
  const int w = client.right - client.left;
  const int h = client.bottom - client.top;
  SetWindowPos(handles.boardPanel, HWND_BOTTOM, kPanelLeft, 0, w, h, SWP_SHOWWINDOW);
  ShowWindow(handles.boardPanel, SW_SHOW);

  CreatePanel(handles, Panel::Marker, PanelProc<Panel::Marker>);
  LimitToName(GetDlgItem(handles.markerPanel, IDC_MARKER_NAME));
  SetWindowPos(handles.markerPanel, HWND_TOP, kPanelLeft, h, w, h, SWP_HIDEWINDOW);

  CreatePanel(handles, Panel::Area, PanelProc<Panel::Area>);
  SetWindowPos(handles.areaPanel, HWND_TOP, kPanelLeft, h, w, h, SWP_HIDEWINDOW);
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
