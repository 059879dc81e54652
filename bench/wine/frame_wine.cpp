// In-process frame benchmark of the Windows program, run under Wine by bench/wine/run (or
// by hand: bench/wine/frames). The real main window and panels are created from the
// program's own sources and resources; every figure is a ratio to a plain 601 × 600 block
// copy between two memory surfaces, measured in the same run, so that figures from
// different machines compare. Each figure is the median frame of a run; the runs give
// the min and median printed.
//
//   dozero_frame_bench.exe [RUNS [FRAMES]]    (default 5 runs of 300 frames per figure)
// clang-format off
#include <windows.h>
#include <commctrl.h>  // after windows.h, which it needs
// clang-format on

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "app/frame.h"
#include "board/board.h"
#include "panels/ids.h"
#include "render/distances.h"
#include "render/piece_drawing.h"
#include "render/surfaces.h"
#include "win32/gdi_canvas.h"
#include "win32/main_window.h"
#include "win32/win32_ports.h"

namespace {

// The program's window object; its handles name the main window and the panels.
dz::win32::AppHandles* handles = nullptr;

double ticksPerMs = 1.0;

double NowMs() {
  LARGE_INTEGER t;
  QueryPerformanceCounter(&t);
  return static_cast<double>(t.QuadPart) / ticksPerMs;
}

// Dispatches everything queued (paints of the window and of the panels' controls).
void Pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

void Mouse(UINT message, WPARAM keys, int x, int y) {
  SendMessageW(handles->mainWindow, message, keys, MAKELPARAM(x, y));
}

// A point of the board that the frames walk through, as the pointer of a drag would.
POINT Step(int i) {
  return POINT{100 + (i * 7) % 400, 100 + (i * 13) % 400};
}

// The full board of bench/wine/run: 26 characters, some in a melee, 5 areas of radius 2
// to 6.
void LoadFullBoard() {
  static const char colours[] = "rgbywp";
  char code[1024] = "";
  int len = 0;
  for (int i = 0; i < 26; ++i) {
    len += std::snprintf(code + len, sizeof code - len, "%s%c:%d,%d:%c", len ? " " : "", 'A' + i,
                         (i % 6) * 95 + 16, (i / 6) * 110 + 16, colours[i % 6]);
    if (i % 7 == 3) len += std::snprintf(code + len, sizeof code - len, ";");
  }
  for (int r = 2; r <= 6; ++r) {
    len +=
        std::snprintf(code + len, sizeof code - len, " rb:%d,%d:%d", r * 70 - 100, r * 60 - 60, r);
  }
  wchar_t wide[1024];
  MultiByteToWideChar(CP_ACP, 0, code, -1, wide, 1024);
  SetDlgItemTextW(handles->boardPanel, IDC_BOARD_INPUT, wide);
  SendMessageW(handles->boardPanel, WM_COMMAND, IDC_BOARD_LOAD, 0);
  Pump();
  // Select A (a click on it) so that its distances are drawn.
  Mouse(WM_LBUTTONDOWN, MK_LBUTTON, 20, 20);
  Mouse(WM_LBUTTONUP, 0, 20, 20);
  Pump();
}

struct Figure {
  const char* name;
  std::vector<double> ms;  // per frame, one entry per run
};

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// The median time of one frame: each frame timed on its own, so that a frame that another
// process on the machine interrupted does not count.
template <typename F>
double PerFrame(int frames, F frame) {
  frame(0);  // warm-up: caches, first-use allocations
  std::vector<double> times;
  times.reserve(frames);
  for (int i = 0; i < frames; ++i) {
    const double t0 = NowMs();
    frame(i);
    times.push_back(NowMs() - t0);
  }
  return Median(std::move(times));
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  const int frames = argc > 2 ? std::max(1, std::atoi(argv[2])) : 300;
  LARGE_INTEGER f;
  QueryPerformanceFrequency(&f);
  ticksPerMs = static_cast<double>(f.QuadPart) / 1000.0;

  static dz::win32::MainWindow window(GetModuleHandleW(nullptr));
  handles = &window.Handles();
  dz::win32::InstallPorts(window.Handles());
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
  InitCommonControlsEx(&controls);
  dz::win32::ChooseLabelFace();
  if (!window.RegisterWindowClass() || !window.Create(SW_SHOWNORMAL)) {
    std::printf("frame bench: the main window could not be created\n");
    return 1;
  }
  Pump();
  const HWND mainWindow = handles->mainWindow;
  const HWND boardPanel = handles->boardPanel;

  // The unit: a 601 × 600 block copy between two memory surfaces.
  auto from = dz::win32::CreateBitmapSurface(nullptr, 601, 600);
  auto to = dz::win32::CreateBitmapSurface(nullptr, 601, 600);
  if (!from || !to) {
    std::printf("frame bench: no memory surfaces\n");
    return 1;
  }
  const RECT board{0, 0, 601, 600};
  auto paint = [&](int) {
    InvalidateRect(mainWindow, &board, FALSE);
    UpdateWindow(mainWindow);
  };
  auto compose = [](int) { dz::ComposeFrame(); };

  Figure copy{"601 x 600 copy", {}};
  Figure empty{"empty-board frame", {}};
  Figure full{"full-board frame", {}};
  Figure fullPaint{"full-board paint incl. the copy to the window", {}};
  Figure measuring{"measuring frame", {}};
  Figure drag{"drag step (move, code rewrite, paint)", {}};
  Figure dragInCell{"drag step within one cell (snapping)", {}};
  Figure dragOnly{"drag step without the board's paint", {}};
  Figure toWindow{"copy to the window", {}};
  Figure pieces{"of the full-board frame: the pieces", {}};
  Figure areaBlends{"of the pieces: the five area pictures", {}};
  Figure overlay{"of the full-board frame: the distances", {}};

  POINT origin{0, 0};
  ClientToScreen(mainWindow, &origin);
  for (int run = 0; run < runs; ++run) {
    copy.ms.push_back(PerFrame(frames, [&](int) {
      BitBlt(to->Dc(), 0, 0, 601, 600, from->Dc(), 0, 0, SRCCOPY);
      GdiFlush();
    }));
    SendMessageW(boardPanel, WM_COMMAND, IDC_BOARD_CLEAR, 0);
    Pump();
    empty.ms.push_back(PerFrame(frames, compose));
    LoadFullBoard();
    full.ms.push_back(PerFrame(frames, compose));
    pieces.ms.push_back(PerFrame(frames, [](int) { dz::DrawPieces(*dz::backBuffer); }));
    areaBlends.ms.push_back(PerFrame(frames, [](int) {
      for (const dz::Area& a : dz::areas) {
        if (a.Image() == nullptr) continue;
        const dz::Point p = a.GetPosition();
        dz::BlendBitmap(*dz::backBuffer, p.x, p.y, a.GetWidth(), a.GetHeight(), *a.Image(), 0, 0,
                        a.Bitmap().bmWidth, a.Bitmap().bmHeight, a.Alpha(), dz::kWhite);
      }
    }));
    overlay.ms.push_back(PerFrame(frames, [](int) {
      const dz::Rounding rounding = dz::ReadFrameOptions().measure.rounding;
      dz::DrawMarkerDistances(*dz::backBuffer, rounding);
      dz::DrawMoveDistance(*dz::backBuffer, rounding);
    }));
    fullPaint.ms.push_back(PerFrame(frames, paint));
    toWindow.ms.push_back(PerFrame(frames, [&](int) {
      HDC dc = GetDC(mainWindow);
      BitBlt(dc, 0, 0, 601, 600, static_cast<dz::win32::GdiCanvas*>(dz::backBuffer.get())->Dc(), 0,
             0, SRCCOPY);
      ReleaseDC(mainWindow, dc);
    }));
    // The measuring line follows the cursor.
    Mouse(WM_RBUTTONDOWN, MK_RBUTTON, 300, 300);
    // The measuring line to a pointer that stands still (moving the pointer is a round trip
    // to the X server, not part of the frame).
    SetCursorPos(origin.x + 420, origin.y + 380);
    measuring.ms.push_back(PerFrame(frames, compose));
    Mouse(WM_RBUTTONUP, 0, 300, 300);
    // Drag A about: each step one pointer message and everything it causes.
    Mouse(WM_LBUTTONDOWN, MK_LBUTTON, 20, 20);
    drag.ms.push_back(PerFrame(frames, [&](int i) {
      const POINT p = Step(i);
      Mouse(WM_MOUSEMOVE, MK_LBUTTON, p.x, p.y);
      UpdateWindow(mainWindow);
      Pump();
    }));
    // The pointer moves a pixel at a time inside one cell: the piece stays where it is.
    dragInCell.ms.push_back(PerFrame(frames, [&](int i) {
      Mouse(WM_MOUSEMOVE, MK_LBUTTON, 100 + i % 2, 100 + i % 3);
      UpdateWindow(mainWindow);
      Pump();
    }));
    dragOnly.ms.push_back(PerFrame(frames, [&](int i) {
      const POINT p = Step(i + 1);
      Mouse(WM_MOUSEMOVE, MK_LBUTTON, p.x, p.y);
      ValidateRect(mainWindow, nullptr);
      Pump();
    }));
    Mouse(WM_LBUTTONUP, 0, 20, 20);
    Pump();
  }

  const double copyMs = Median(copy.ms);
  std::printf("%s: %.3f ms, median of %d runs (min %.3f ms)\n", copy.name, copyMs, runs,
              *std::min_element(copy.ms.begin(), copy.ms.end()));
  for (const Figure* fig : {&empty, &full, &pieces, &areaBlends, &overlay, &fullPaint, &toWindow,
                            &measuring, &drag, &dragInCell, &dragOnly}) {
    // Each run against the copy of the same run.
    std::vector<double> ratios;
    for (int run = 0; run < runs; ++run) ratios.push_back(fig->ms[run] / copy.ms[run]);
    const double best = *std::min_element(ratios.begin(), ratios.end());
    const double worst = *std::max_element(ratios.begin(), ratios.end());
    std::printf(
        "%s: %.1f\xC3\x97 the copy (%.2f ms), median of %d runs; min %.1f\xC3\x97"
        ", worst run %.2f\xC3\x97 the best\n",
        fig->name, Median(ratios), Median(fig->ms), runs, best, worst / best);
  }
  std::printf("drag step: %.2f\xC3\x97 the full-board paint, median of %d runs\n",
              Median(drag.ms) / Median(fullPaint.ms), runs);
  DestroyWindow(mainWindow);
  return 0;
}
