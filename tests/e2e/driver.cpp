// The end-to-end driver: a small Win32 console program that runs beside dozero.exe in the
// same Wine prefix and works the program through its window as a user would: pointer
// messages on the board, menu commands, button clicks, typed texts, combo box choices,
// answers to message boxes and the open-file dialog; it reads back window texts,
// visibility, check and combo states and the pixels of the board.
//
//   driver.exe COMMAND ARGS... [; COMMAND ARGS...]...
//
// Commands run in order; each prints its answer on one line (UTF-8). Texts given to the
// driver are hex-encoded UTF-8 ("hex:41e3..."; plain ASCII is taken as is), so the Unix
// locale never touches them. A failing command prints "error: ..." on stderr and ends
// the driver with exit code 2; a watchdog ends it with 3 after DRIVER_TIMEOUT seconds.
#include "driver.h"

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "panels/ids.h"

namespace {

// ---- output ---------------------------------------------------------------------------

// While set, answers go here instead of stdout (driver::Ask).
std::string* captured = nullptr;

void WriteOut(const std::string& s) {
  if (captured) {
    *captured += s;
    return;
  }
  DWORD n = 0;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), s.data(), static_cast<DWORD>(s.size()), &n, nullptr);
}

void Line(const std::string& s) {
  WriteOut(s + "\n");
}

[[noreturn]] void Fail(const std::string& why) {
  std::string s = "error: " + why + "\n";
  DWORD n = 0;
  WriteFile(GetStdHandle(STD_ERROR_HANDLE), s.data(), static_cast<DWORD>(s.size()), &n, nullptr);
  ExitProcess(2);
}

std::string Utf8(const std::wstring& w) {
  if (w.empty()) return std::string();
  int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr,
                              nullptr);
  std::string s(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), &s[0], n, nullptr, nullptr);
  return s;
}

std::wstring Wide(const std::string& s) {
  if (s.empty()) return std::wstring();
  int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
  std::wstring w(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), &w[0], n);
  return w;
}

// "hex:e3818a" -> the bytes; any other text is taken as it is.
std::string DecodeArg(const std::string& a) {
  if (a.compare(0, 4, "hex:") != 0) return a;
  std::string out;
  for (size_t i = 4; i + 1 < a.size(); i += 2) {
    out.push_back(static_cast<char>(std::strtoul(a.substr(i, 2).c_str(), nullptr, 16)));
  }
  return out;
}

long Num(const std::string& s) {
  char* end = nullptr;
  long v = std::strtol(s.c_str(), &end, 0);
  if (s.empty() || *end != '\0') Fail("not a number: " + s);
  return v;
}

// ---- waiting ----------------------------------------------------------------------------

using Clock = std::chrono::steady_clock;

long Elapsed(Clock::time_point since) {
  return static_cast<long>(
      std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since).count());
}

template <typename F>
bool WaitFor(long ms, F ready) {
  auto start = Clock::now();
  for (;;) {
    if (ready()) return true;
    if (Elapsed(start) >= ms) return false;
    Sleep(20);
  }
}

// ---- windows of the program -------------------------------------------------------------

const wchar_t* MainClass() {
  static std::wstring cls;
  if (cls.empty()) {
    const char* env = std::getenv("DRIVER_CLASS");
    cls = Wide(env && *env ? env : "qorintool");
  }
  return cls.c_str();
}

HWND MainWindow() {
  return FindWindowW(MainClass(), nullptr);
}

HWND NeedMain() {
  HWND w = MainWindow();
  if (!w) Fail("no window of class qorintool");
  return w;
}

std::wstring ClassOf(HWND w) {
  wchar_t buf[256] = {0};
  GetClassNameW(w, buf, 256);
  return buf;
}

std::wstring TextOf(HWND w) {
  int n = static_cast<int>(SendMessageW(w, WM_GETTEXTLENGTH, 0, 0));
  std::wstring buf(static_cast<size_t>(n) + 1, L'\0');
  DWORD_PTR got = 0;
  if (!SendMessageTimeoutW(w, WM_GETTEXT, static_cast<WPARAM>(n + 1),
                           reinterpret_cast<LPARAM>(&buf[0]), SMTO_ABORTIFHUNG, 5000, &got)) {
    Fail("WM_GETTEXT timed out");
  }
  buf.resize(static_cast<size_t>(got));
  return buf;
}

struct Panels {
  HWND board = nullptr, marker = nullptr, area = nullptr;
};

BOOL CALLBACK CollectPanel(HWND w, LPARAM p) {
  auto* panels = reinterpret_cast<Panels*>(p);
  if (ClassOf(w) != L"#32770" || GetParent(w) != MainWindow()) return TRUE;
  if (GetDlgItem(w, IDC_BOARD_PICTURE)) {
    panels->board = w;
  } else if (GetDlgItem(w, IDC_MARKER_NAME)) {
    panels->marker = w;
  } else if (GetDlgItem(w, IDC_AREA_RADIUS) && GetDlgItem(w, IDC_AREA_DELETE)) {
    panels->area = w;
  }
  return TRUE;
}

HWND Panel(const std::string& name) {
  HWND main = NeedMain();
  if (name == "main") return main;
  Panels panels;
  EnumChildWindows(main, CollectPanel, reinterpret_cast<LPARAM>(&panels));
  HWND w = name == "board"    ? panels.board
           : name == "marker" ? panels.marker
           : name == "area"   ? panels.area
                              : nullptr;
  if (!w) Fail("no panel " + name);
  return w;
}

HWND Control(const std::string& panel, const std::string& id) {
  HWND p = Panel(panel);
  long n = Num(id);
  if (n == 0) return p;
  HWND c = GetDlgItem(p, static_cast<int>(n));
  if (!c) Fail("no control " + id + " in panel " + panel);
  return c;
}

// How long a message may wait for the program: by default a program that has not taken a
// message for 5 s counts as hung at once; the soak, which checks answering times itself,
// waits up to 30 s for each message instead (a busy machine can hold the program that long).
bool patient = false;

LRESULT Send(HWND w, UINT msg, WPARAM wp, LPARAM lp, UINT ms = 10000) {
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutW(w, msg, wp, lp, patient ? SMTO_NORMAL : SMTO_ABORTIFHUNG,
                           patient ? 30000 : ms, &result)) {
    Fail("message " + std::to_string(msg) + " not answered in time");
  }
  return static_cast<LRESULT>(result);
}

DWORD ProcessOf(HWND w) {
  DWORD pid = 0;
  GetWindowThreadProcessId(w, &pid);
  return pid;
}

// Visible top-level dialogs (#32770) of the program's process: message boxes, file dialogs.
struct DialogSearch {
  DWORD pid;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectDialog(HWND w, LPARAM p) {
  auto* s = reinterpret_cast<DialogSearch*>(p);
  if (ClassOf(w) == L"#32770" && IsWindowVisible(w) && ProcessOf(w) == s->pid) {
    s->found.push_back(w);
  }
  return TRUE;
}

std::vector<HWND> TopDialogs(DWORD pid) {
  DialogSearch s{pid, {}};
  EnumWindows(CollectDialog, reinterpret_cast<LPARAM>(&s));
  return s.found;
}

HWND WaitDialog(long ms) {
  HWND dlg = nullptr;
  WaitFor(ms, [&] {
    HWND main = MainWindow();  // exists from the start of its creation, shown or not
    if (!main) return false;
    auto found = TopDialogs(ProcessOf(main));
    if (found.empty()) return false;
    dlg = found.front();
    return true;
  });
  if (!dlg) Fail("no dialog appeared within " + std::to_string(ms) + " ms");
  return dlg;
}

void WaitDialogGone(HWND dlg, long ms) {
  if (!WaitFor(ms, [&] { return !IsWindow(dlg) || !IsWindowVisible(dlg); })) {
    Fail("dialog still open after " + std::to_string(ms) + " ms");
  }
}

BOOL CALLBACK CollectStatic(HWND w, LPARAM p) {
  auto* texts = reinterpret_cast<std::vector<std::wstring>*>(p);
  if (ClassOf(w) == L"Static") {
    std::wstring t = TextOf(w);
    if (!t.empty()) texts->push_back(t);
  }
  return TRUE;
}

// ---- pixels -----------------------------------------------------------------------------

struct Shot {
  int x = 0, y = 0, w = 0, h = 0;
  std::vector<DWORD> px;  // 0x00RRGGBB, rows top-down
  DWORD At(int ax, int ay) const {
    return px[static_cast<size_t>(ay - y) * static_cast<size_t>(w) + static_cast<size_t>(ax - x)];
  }
};

// Pixels of the main window's client area, or of the whole screen when `screen` is set.
bool captureScreen = false;

Shot CaptureOnce(int x, int y, int w, int h) {
  HWND main = captureScreen ? nullptr : NeedMain();
  Shot shot;
  shot.x = x;
  shot.y = y;
  shot.w = w;
  shot.h = h;
  HDC wdc = GetDC(main);
  if (!wdc) Fail("GetDC failed");
  HDC mdc = CreateCompatibleDC(wdc);
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
  bi.bmiHeader.biWidth = w;
  bi.bmiHeader.biHeight = -h;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bmp = CreateDIBSection(wdc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!bmp || !bits) Fail("CreateDIBSection failed");
  HGDIOBJ old = SelectObject(mdc, bmp);
  if (!BitBlt(mdc, 0, 0, w, h, wdc, x, y, SRCCOPY)) Fail("BitBlt from the window failed");
  GdiFlush();
  const DWORD* p = static_cast<const DWORD*>(bits);
  shot.px.assign(p, p + static_cast<size_t>(w) * static_cast<size_t>(h));
  for (DWORD& v : shot.px) v &= 0xFFFFFF;
  SelectObject(mdc, old);
  DeleteObject(bmp);
  DeleteDC(mdc);
  ReleaseDC(main, wdc);
  return shot;
}

// The program hands its frames to the X server when it next goes idle, a moment after it
// has answered the driver: read until two reads 30 ms apart agree.
Shot Capture(int x, int y, int w, int h) {
  Shot last = CaptureOnce(x, y, w, h);
  for (int i = 0; i < 20; ++i) {
    Sleep(30);
    Shot next = CaptureOnce(x, y, w, h);
    if (next.px == last.px) return next;
    last = next;
  }
  return last;
}

DWORD Rgb(const std::string& r, const std::string& g, const std::string& b) {
  return (static_cast<DWORD>(Num(r)) << 16) | (static_cast<DWORD>(Num(g)) << 8) |
         static_cast<DWORD>(Num(b));
}

bool Near(DWORD a, DWORD b, int tol) {
  for (int shift = 0; shift <= 16; shift += 8) {
    int ca = static_cast<int>((a >> shift) & 0xFF), cb = static_cast<int>((b >> shift) & 0xFF);
    if (ca - cb > tol || cb - ca > tol) return false;
  }
  return true;
}

std::string RgbText(DWORD v) {
  return std::to_string((v >> 16) & 0xFF) + "," + std::to_string((v >> 8) & 0xFF) + "," +
         std::to_string(v & 0xFF);
}

bool WriteBmp(const Shot& s, const std::string& path) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  BITMAPFILEHEADER fh{};
  BITMAPINFOHEADER ih{};
  ih.biSize = sizeof(ih);
  ih.biWidth = s.w;
  ih.biHeight = -s.h;
  ih.biPlanes = 1;
  ih.biBitCount = 32;
  ih.biCompression = BI_RGB;
  fh.bfType = 0x4D42;
  fh.bfOffBits = sizeof(fh) + sizeof(ih);
  fh.bfSize = fh.bfOffBits + static_cast<DWORD>(s.px.size() * 4);
  std::fwrite(&fh, sizeof(fh), 1, f);
  std::fwrite(&ih, sizeof(ih), 1, f);
  std::fwrite(s.px.data(), 4, s.px.size(), f);
  return std::fclose(f) == 0;
}

// ---- pointer ----------------------------------------------------------------------------

LPARAM Point(long x, long y) {
  return static_cast<LPARAM>((static_cast<DWORD>(y & 0xFFFF) << 16) |
                             static_cast<DWORD>(x & 0xFFFF));
}

// Puts the system cursor over a client point of the main window (the measuring line
// reads the cursor position itself).
void Cursor(long x, long y) {
  POINT p{static_cast<LONG>(x), static_cast<LONG>(y)};
  ClientToScreen(NeedMain(), &p);
  SetCursorPos(p.x, p.y);
}

void Mouse(UINT msg, WPARAM flags, long x, long y) {
  Send(NeedMain(), msg, flags, Point(x, y));
}

// Makes the program paint now and waits until it has: one frame. The program has painted
// once its window has no update region left and it answers a message sent after that.
void Frame() {
  HWND main = NeedMain();
  RedrawWindow(main, nullptr, nullptr, RDW_UPDATENOW);
  auto start = Clock::now();
  while (GetUpdateRect(main, nullptr, FALSE) && Elapsed(start) < 2000) Sleep(0);
  Send(main, WM_NULL, 0, 0);
}

// ---- commands ---------------------------------------------------------------------------

using Args = std::vector<std::string>;

void Need(const Args& a, size_t n, const char* usage) {
  if (a.size() != n + 1) Fail(std::string("usage: ") + usage);
}

// ---- timed loops (the rooms' latency benchmark, bench/web/rooms_windows) --------------
// A whole loop runs in one driver process, so no process start lies inside a measurement.
// Times are microseconds since 1970 by the system clock, which under Wine is the Unix
// CLOCK_REALTIME that node and the browser read: the benchmark compares them directly.

long long UnixMicros() {
  FILETIME f{};
  GetSystemTimePreciseAsFileTime(&f);
  const ULONGLONG ticks = (static_cast<ULONGLONG>(f.dwHighDateTime) << 32) | f.dwLowDateTime;
  return static_cast<long long>(ticks / 10) - 11644473600000000LL;  // 1601 -> 1970
}

// clock N: N times, reads a line on stdin and answers with the time (the clocks' check).
// watch MS X Y: for MS ms, reads the board's pixel (X, Y) on the screen about every
//   millisecond; prints "<us> pixel R,G,B" when it changes (once at the start), then
//   "<us> polls <count>" and "<us> code <the code field>". (The code field is not read in
//   the loop: reading another program's control is a message it must answer, and one every
//   few milliseconds delayed the program's own work.)
// combo-cycle N MS PANEL ID INDEX...: N choices in the combo box, MS ms apart, taking
//   the INDEXes in turn, each as combo-select makes it; prints "<us> <index>" between the
//   driver's setting of the box and the box's notice to the program (the user's choice).
// Returns false for any other command.
bool Timed(const Args& a) {
  const std::string& c = a[0];
  if (c == "clock") {
    Need(a, 1, "clock N");
    HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
    for (long i = Num(a[1]); i > 0; --i) {
      char ch = 0;
      DWORD n = 0;
      do {
        if (!ReadFile(in, &ch, 1, &n, nullptr) || n == 0) Fail("stdin ended");
      } while (ch != '\n');
      Line(std::to_string(UnixMicros()));
    }
  } else if (c == "watch") {
    Need(a, 3, "watch MS X Y");
    const long ms = Num(a[1]);
    const int x = static_cast<int>(Num(a[2])), y = static_cast<int>(Num(a[3]));
    COLORREF pixel = CLR_INVALID;
    long polls = 0;
    HDC dc = GetDC(NeedMain());  // one DC for the loop: getting one costs more than a read
    for (auto start = Clock::now(); Elapsed(start) < ms; ++polls, Sleep(1)) {
      COLORREF p = GetPixel(dc, x, y);
      if (p != pixel) {
        pixel = p;
        Line(std::to_string(UnixMicros()) + " pixel " + std::to_string(GetRValue(p)) + "," +
             std::to_string(GetGValue(p)) + "," + std::to_string(GetBValue(p)));
      }
    }
    ReleaseDC(NeedMain(), dc);
    Line(std::to_string(UnixMicros()) + " polls " + std::to_string(polls));
    Line(std::to_string(UnixMicros()) + " code " +
         Utf8(TextOf(Control("board", std::to_string(IDC_BOARD_CODE)))));
  } else if (c == "combo-cycle") {
    if (a.size() < 6) Fail("usage: combo-cycle N MS PANEL ID INDEX...");
    HWND combo = Control(a[3], a[4]);
    const long n = Num(a[1]), ms = Num(a[2]);
    auto last = Clock::now();
    for (long i = 0; i < n; ++i) {
      while (i > 0 && Elapsed(last) < ms) Sleep(1);  // MS after the last, however late it was
      last = Clock::now();
      const std::string& index = a[5 + static_cast<size_t>(i) % (a.size() - 5)];
      Send(combo, CB_SETCURSEL, static_cast<WPARAM>(Num(index)), 0);
      Line(std::to_string(UnixMicros()) + " " + index);
      Send(GetParent(combo), WM_COMMAND, MAKEWPARAM(Num(a[4]), CBN_SELCHANGE),
           reinterpret_cast<LPARAM>(combo));
    }
  } else {
    return false;
  }
  return true;
}

void Run(const Args& a) {
  if (Timed(a)) return;
  const std::string& c = a[0];
  if (c == "wait-window") {  // [ms]: the main window exists and is visible
    long ms = a.size() > 1 ? Num(a[1]) : 15000;
    if (!WaitFor(ms, [] {
          HWND w = MainWindow();
          return w && IsWindowVisible(w);
        })) {
      Fail("the main window did not appear");
    }
    Send(MainWindow(), WM_NULL, 0, 0);
    Line("ok");
  } else if (c == "wait-gone") {  // [ms]: the main window no longer exists
    long ms = a.size() > 1 ? Num(a[1]) : 10000;
    if (!WaitFor(ms, [] { return MainWindow() == nullptr; }))
      Fail("the main window is still there");
    Line("ok");
  } else if (c == "exists") {
    Line(MainWindow() ? "1" : "0");
  } else if (c == "client") {
    RECT r{};
    GetClientRect(NeedMain(), &r);
    Line(std::to_string(r.right - r.left) + "x" + std::to_string(r.bottom - r.top));
  } else if (c == "rect") {  // PANEL [ID]: client-relative rectangle of the window
    HWND w = Control(a.at(1), a.size() > 2 ? a[2] : "0");
    RECT r{};
    GetWindowRect(w, &r);
    MapWindowPoints(nullptr, NeedMain(), reinterpret_cast<POINT*>(&r), 2);
    Line(std::to_string(r.left) + "," + std::to_string(r.top) + "," +
         std::to_string(r.right - r.left) + "x" + std::to_string(r.bottom - r.top));
  } else if (c == "origin") {  // screen position of the client area's top-left corner
    POINT p{0, 0};
    ClientToScreen(NeedMain(), &p);
    Line(std::to_string(p.x) + " " + std::to_string(p.y));
  } else if (c == "statics") {  // PANEL: the texts of its static controls, joined by "|"
    Need(a, 1, "statics PANEL");
    std::vector<std::wstring> texts;
    EnumChildWindows(Panel(a[1]), CollectStatic, reinterpret_cast<LPARAM>(&texts));
    std::wstring all;
    for (size_t i = 0; i < texts.size(); ++i) all += (i ? L"|" : L"") + texts[i];
    Line(Utf8(all));
  } else if (c == "popup-menu") {
    // LEVEL [ms]: screen rectangle of the open pop-up menu of that level (0: the first,
    // 1: its sub-menu), found as the LEVEL-th visible menu window from the left.
    if (a.size() != 2 && a.size() != 3) Fail("usage: popup-menu LEVEL [MS]");
    DWORD pid = ProcessOf(NeedMain());
    size_t level = static_cast<size_t>(Num(a[1]));
    std::vector<RECT> rects;
    WaitFor(a.size() > 2 ? Num(a[2]) : 5000, [&] {
      rects.clear();
      for (HWND w = FindWindowExW(nullptr, nullptr, L"#32768", nullptr); w;
           w = FindWindowExW(nullptr, w, L"#32768", nullptr)) {
        RECT r{};
        if (IsWindowVisible(w) && ProcessOf(w) == pid && GetWindowRect(w, &r)) rects.push_back(r);
      }
      return rects.size() > level;
    });
    if (rects.size() <= level) Fail("no pop-up menu of level " + a[1] + " open");
    std::sort(rects.begin(), rects.end(),
              [](const RECT& l, const RECT& r) { return l.left < r.left; });
    const RECT& r = rects[level];
    Line(std::to_string(r.left) + " " + std::to_string(r.top) + " " + std::to_string(r.right) +
         " " + std::to_string(r.bottom));
  } else if (c == "acp") {
    Line(std::to_string(GetACP()));
  } else if (c == "sleep") {
    Need(a, 1, "sleep MS");
    Sleep(static_cast<DWORD>(Num(a[1])));
  } else if (c == "sync") {  // the program has handled everything sent so far and painted
    Frame();
    Line("ok");
  } else if (c == "click" || c == "drag" || c == "ldown" || c == "lup" || c == "move" ||
             c == "rdown" || c == "rup") {
    if (c == "click") {
      Need(a, 2, "click X Y");
      Mouse(WM_MOUSEMOVE, 0, Num(a[1]), Num(a[2]));
      Mouse(WM_LBUTTONDOWN, MK_LBUTTON, Num(a[1]), Num(a[2]));
      Mouse(WM_LBUTTONUP, 0, Num(a[1]), Num(a[2]));
    } else if (c == "drag") {  // X1 Y1 X2 Y2 [STEPS]
      if (a.size() != 5 && a.size() != 6) Fail("usage: drag X1 Y1 X2 Y2 [STEPS]");
      long x1 = Num(a[1]), y1 = Num(a[2]), x2 = Num(a[3]), y2 = Num(a[4]);
      long steps = a.size() == 6 ? Num(a[5]) : 8;
      Mouse(WM_MOUSEMOVE, 0, x1, y1);
      Mouse(WM_LBUTTONDOWN, MK_LBUTTON, x1, y1);
      for (long i = 1; i <= steps; ++i) {
        Mouse(WM_MOUSEMOVE, MK_LBUTTON, x1 + (x2 - x1) * i / steps, y1 + (y2 - y1) * i / steps);
      }
      Mouse(WM_LBUTTONUP, 0, x2, y2);
    } else {  // X Y [FLAGS]: one raw pointer message
      if (a.size() != 3 && a.size() != 4) Fail("usage: " + c + " X Y [FLAGS]");
      UINT msg = c == "ldown"   ? WM_LBUTTONDOWN
                 : c == "lup"   ? WM_LBUTTONUP
                 : c == "move"  ? WM_MOUSEMOVE
                 : c == "rdown" ? WM_RBUTTONDOWN
                                : WM_RBUTTONUP;
      WPARAM def = c == "ldown" ? MK_LBUTTON : c == "rdown" ? MK_RBUTTON : 0;
      WPARAM flags = a.size() == 4 ? static_cast<WPARAM>(Num(a[3])) : def;
      if (c == "rdown" || c == "move") Cursor(Num(a[1]), Num(a[2]));
      Mouse(msg, flags, Num(a[1]), Num(a[2]));
    }
    Frame();
  } else if (c == "cursor") {  // X Y: the system cursor to a client point
    Need(a, 2, "cursor X Y");
    Cursor(Num(a[1]), Num(a[2]));
  } else if (c == "menu") {  // ID
    Need(a, 1, "menu ID");
    Send(NeedMain(), WM_COMMAND, static_cast<WPARAM>(Num(a[1])), 0);
    Frame();
  } else if (c == "menu-post") {  // ID: a menu command that may open a modal dialog
    Need(a, 1, "menu-post ID");
    PostMessageW(NeedMain(), WM_COMMAND, static_cast<WPARAM>(Num(a[1])), 0);
  } else if (c == "button") {  // PANEL ID: a click on the button
    Need(a, 2, "button PANEL ID");
    Send(Control(a[1], a[2]), BM_CLICK, 0, 0);
    Frame();
  } else if (c == "button-post") {  // PANEL ID: a click that may open a modal dialog
    Need(a, 2, "button-post PANEL ID");
    HWND b = Control(a[1], a[2]);
    PostMessageW(GetParent(b), WM_COMMAND, MAKEWPARAM(Num(a[2]), BN_CLICKED),
                 reinterpret_cast<LPARAM>(b));
  } else if (c == "command") {  // PANEL ID [NOTIFY]: WM_COMMAND from that control
    if (a.size() != 3 && a.size() != 4) Fail("usage: command PANEL ID [NOTIFY]");
    HWND ctl = Control(a[1], a[2]);
    WPARAM notify = a.size() == 4 ? static_cast<WPARAM>(Num(a[3])) : 0;
    Send(GetParent(ctl), WM_COMMAND, MAKEWPARAM(Num(a[2]), notify), reinterpret_cast<LPARAM>(ctl));
    Frame();
  } else if (c == "settext") {  // PANEL ID TEXT: replaces the text (edit boxes notify)
    Need(a, 3, "settext PANEL ID TEXT");
    std::wstring w = Wide(DecodeArg(a[3]));
    Send(Control(a[1], a[2]), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(w.c_str()));
    Frame();
  } else if (c == "type") {  // PANEL ID TEXT: typed into the control, one character at a time
    Need(a, 3, "type PANEL ID TEXT");
    HWND ctl = Control(a[1], a[2]);
    for (wchar_t ch : Wide(DecodeArg(a[3]))) Send(ctl, WM_CHAR, ch, 1);
    Frame();
  } else if (c == "select-all") {  // PANEL ID
    Need(a, 2, "select-all PANEL ID");
    Send(Control(a[1], a[2]), EM_SETSEL, 0, -1);
  } else if (c == "gettext") {  // PANEL [ID]
    if (a.size() != 2 && a.size() != 3) Fail("usage: gettext PANEL [ID]");
    Line(Utf8(TextOf(Control(a[1], a.size() == 3 ? a[2] : "0"))));
  } else if (c == "visible") {  // PANEL [ID]
    if (a.size() != 2 && a.size() != 3) Fail("usage: visible PANEL [ID]");
    Line(IsWindowVisible(Control(a[1], a.size() == 3 ? a[2] : "0")) ? "1" : "0");
  } else if (c == "checked") {  // PANEL ID
    Need(a, 2, "checked PANEL ID");
    Line(std::to_string(Send(Control(a[1], a[2]), BM_GETCHECK, 0, 0)));
  } else if (c == "combo-select") {  // PANEL ID INDEX: a user's choice in the list
    Need(a, 3, "combo-select PANEL ID INDEX");
    HWND combo = Control(a[1], a[2]);
    Send(combo, CB_SETCURSEL, static_cast<WPARAM>(Num(a[3])), 0);
    Send(GetParent(combo), WM_COMMAND, MAKEWPARAM(Num(a[2]), CBN_SELCHANGE),
         reinterpret_cast<LPARAM>(combo));
    Frame();
  } else if (c == "combo-get") {  // PANEL ID: selected index
    Need(a, 2, "combo-get PANEL ID");
    Line(std::to_string(Send(Control(a[1], a[2]), CB_GETCURSEL, 0, 0)));
  } else if (c == "combo-items") {  // PANEL ID: entries joined by "|"
    Need(a, 2, "combo-items PANEL ID");
    HWND combo = Control(a[1], a[2]);
    long n = static_cast<long>(Send(combo, CB_GETCOUNT, 0, 0));
    std::wstring all;
    for (long i = 0; i < n; ++i) {
      long len = static_cast<long>(Send(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0));
      std::wstring item(static_cast<size_t>(len < 0 ? 0 : len) + 1, L'\0');
      long got = static_cast<long>(
          Send(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item[0])));
      item.resize(static_cast<size_t>(got < 0 ? 0 : got));
      if (i) all += L"|";
      all += item;
    }
    Line(Utf8(all));
  } else if (c == "dialog") {  // [ms]: caption and longest static text of a dialog
    HWND dlg = WaitDialog(a.size() > 1 ? Num(a[1]) : 10000);
    std::vector<std::wstring> texts;
    EnumChildWindows(dlg, CollectStatic, reinterpret_cast<LPARAM>(&texts));
    std::wstring body;
    for (const auto& t : texts) {
      if (t.size() > body.size()) body = t;
    }
    Line(Utf8(TextOf(dlg)) + "|" + Utf8(body));
  } else if (c == "no-dialog") {  // no message box or file dialog is open
    Line(TopDialogs(ProcessOf(NeedMain())).empty() ? "1" : "0");
  } else if (c == "answer") {  // yes|no|ok|cancel [ms]
    if (a.size() != 2 && a.size() != 3) Fail("usage: answer yes|no|ok|cancel [MS]");
    int id = a[1] == "yes" ? IDYES : a[1] == "no" ? IDNO : a[1] == "ok" ? IDOK : IDCANCEL;
    HWND dlg = WaitDialog(a.size() > 2 ? Num(a[2]) : 10000);
    HWND button = GetDlgItem(dlg, id);
    if (!button) Fail("the dialog has no button " + a[1]);
    PostMessageW(dlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
    WaitDialogGone(dlg, 10000);
    Line("ok");
  } else if (c == "dialog-settext") {  // ID TEXT [ms]: the text of a control of a dialog
    if (a.size() != 3 && a.size() != 4) Fail("usage: dialog-settext ID TEXT [MS]");
    HWND dlg = WaitDialog(a.size() > 3 ? Num(a[3]) : 10000);
    HWND ctl = GetDlgItem(dlg, static_cast<int>(Num(a[1])));
    if (!ctl) Fail("the dialog has no control " + a[1]);
    std::wstring w = Wide(DecodeArg(a[2]));
    Send(ctl, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(w.c_str()));
    Line("ok");
  } else if (c == "dialog-post") {  // ID [ms]: a click on a button of a dialog, not waited for
    if (a.size() != 2 && a.size() != 3) Fail("usage: dialog-post ID [MS]");
    HWND dlg = WaitDialog(a.size() > 2 ? Num(a[2]) : 10000);
    const int id = static_cast<int>(Num(a[1]));
    HWND button = GetDlgItem(dlg, id);
    if (!button) Fail("the dialog has no control " + a[1]);
    PostMessageW(dlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
    Line("ok");
  } else if (c == "open-file") {  // PATH [ms]: the open-file dialog, file name typed, Open
    if (a.size() != 2 && a.size() != 3) Fail("usage: open-file PATH [MS]");
    HWND dlg = WaitDialog(a.size() > 2 ? Num(a[2]) : 10000);
    HWND name = GetDlgItem(dlg, 0x47C);        // cmb13: explorer-style file name box
    if (!name) name = GetDlgItem(dlg, 0x480);  // edt1: old-style
    if (!name) Fail("the open-file dialog has no file name box");
    std::wstring w = Wide(DecodeArg(a[1]));
    std::string title = Utf8(TextOf(dlg));
    Send(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(w.c_str()));
    PostMessageW(dlg, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dlg, IDOK)));
    WaitDialogGone(dlg, 10000);
    Line(title);
  } else if (c == "close") {  // the title bar's close button
    PostMessageW(NeedMain(), WM_CLOSE, 0, 0);
  } else if (c == "sysclose") {  // the system menu's close item (also Alt+F4)
    PostMessageW(NeedMain(), WM_SYSCOMMAND, SC_CLOSE, 0);
  } else if (c == "clipboard") {  // the clipboard's text as this process sees it
    std::wstring text;
    bool ok = WaitFor(3000, [] { return OpenClipboard(nullptr) != 0; });
    if (!ok) Fail("cannot open the clipboard");
    HANDLE h = GetClipboardData(CF_UNICODETEXT);
    if (h) {
      const wchar_t* p = static_cast<const wchar_t*>(GlobalLock(h));
      if (p) text = p;
      GlobalUnlock(h);
    }
    CloseClipboard();
    Line(h ? Utf8(text) : "<none>");
  } else if (c == "pixel") {  // X Y -> R,G,B
    Need(a, 2, "pixel X Y");
    Shot s = Capture(static_cast<int>(Num(a[1])), static_cast<int>(Num(a[2])), 1, 1);
    Line(RgbText(s.px[0]));
  } else if (c == "screen") {  // COMMAND...: a pixel command on screen coordinates
    if (a.size() < 2) Fail("usage: screen COMMAND ARGS");
    captureScreen = true;
    Run(Args(a.begin() + 1, a.end()));
    captureScreen = false;
  } else if (c == "count" || c == "bbox") {  // X1 Y1 X2 Y2 R G B [TOL], X2 Y2 exclusive
    if (a.size() != 8 && a.size() != 9) Fail("usage: " + c + " X1 Y1 X2 Y2 R G B [TOL]");
    int x1 = static_cast<int>(Num(a[1])), y1 = static_cast<int>(Num(a[2]));
    int x2 = static_cast<int>(Num(a[3])), y2 = static_cast<int>(Num(a[4]));
    DWORD want = Rgb(a[5], a[6], a[7]);
    int tol = a.size() == 9 ? static_cast<int>(Num(a[8])) : 0;
    Shot s = Capture(x1, y1, x2 - x1, y2 - y1);
    long n = 0;
    int bx1 = x2, by1 = y2, bx2 = x1 - 1, by2 = y1 - 1;
    for (int y = y1; y < y2; ++y) {
      for (int x = x1; x < x2; ++x) {
        if (!Near(s.At(x, y), want, tol)) continue;
        ++n;
        if (x < bx1) bx1 = x;
        if (y < by1) by1 = y;
        if (x > bx2) bx2 = x;
        if (y > by2) by2 = y;
      }
    }
    if (c == "count") {
      Line(std::to_string(n));
    } else {
      Line(n ? std::to_string(bx1) + "," + std::to_string(by1) + "," + std::to_string(bx2) + "," +
                   std::to_string(by2)
             : "none");
    }
  } else if (c == "hash") {  // X1 Y1 X2 Y2: a checksum of the pixels of that rectangle
    Need(a, 4, "hash X1 Y1 X2 Y2");
    int x1 = static_cast<int>(Num(a[1])), y1 = static_cast<int>(Num(a[2]));
    Shot s = Capture(x1, y1, static_cast<int>(Num(a[3])) - x1, static_cast<int>(Num(a[4])) - y1);
    unsigned long long h = 1469598103934665603ULL;
    for (DWORD v : s.px) h = (h ^ v) * 1099511628211ULL;
    char buf[32];
    std::snprintf(buf, sizeof buf, "%016llx", h);
    Line(buf);
  } else if (c == "vlines" || c == "hlines") {
    // vlines Y1 Y2 R G B: the x (0..600) of every column whose pixels in rows Y1..Y2-1
    // have that colour at least a third of the time; hlines X1 X2 R G B likewise for rows.
    Need(a, 5, "vlines|hlines FROM TO R G B");
    int from = static_cast<int>(Num(a[1])), to = static_cast<int>(Num(a[2]));
    DWORD want = Rgb(a[3], a[4], a[5]);
    bool vertical = c == "vlines";
    Shot s = vertical ? Capture(0, from, 601, to - from) : Capture(from, 0, to - from, 601);
    std::string out;
    for (int i = 0; i <= 600; ++i) {
      int hits = 0;
      for (int j = from; j < to; ++j) {
        if (s.At(vertical ? i : j, vertical ? j : i) == want) ++hits;
      }
      if (hits * 3 >= to - from) out += (out.empty() ? "" : " ") + std::to_string(i);
    }
    Line(out);
  } else if (c == "shot") {  // FILE: the client area as a 32-bit BMP
    Need(a, 1, "shot FILE");
    RECT r{};
    GetClientRect(NeedMain(), &r);
    if (!WriteBmp(Capture(0, 0, r.right, r.bottom), a[1])) Fail("cannot write " + a[1]);
    Line("ok");
  } else if (c == "launch") {
    // EXE: starts the program (working directory: its folder) and prints the milliseconds
    // until its window exists and until the first frame of the board is on the screen
    // (the grid line at x = 30 painted).
    Need(a, 1, "launch EXE");
    std::wstring exe = Wide(DecodeArg(a[1]));
    std::wstring dir = exe.substr(0, exe.find_last_of(L"\\/"));
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::wstring cmdline = L"\"" + exe + L"\"";
    auto start = Clock::now();
    if (!CreateProcessW(exe.c_str(), &cmdline[0], nullptr, nullptr, FALSE, 0, nullptr, dir.c_str(),
                        &si, &pi)) {
      Fail("cannot start the program");
    }
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    long window = -1;
    bool painted = WaitFor(30000, [&] {
      HWND w = MainWindow();
      if (!w || !IsWindowVisible(w)) return false;
      if (window < 0) window = Elapsed(start);
      Shot s = CaptureOnce(30, 1, 1, 29);
      int blue = 0;
      for (DWORD v : s.px) blue += v == 0x6464FF;
      return blue >= 8;
    });
    if (!painted) Fail("no painted frame within 30 s");
    Line(std::to_string(window) + " " + std::to_string(Elapsed(start)));
  } else if (c == "bench-frames") {
    // N MODE: N frames, each one pointer message and its paint; MODE move (no button:
    // frames only through a forced repaint), measure (right button held, cursor moving),
    // drag (left button held on the selected character), idle (a pointer message that
    // changes nothing: the cost of the round trip alone). Prints ms per frame.
    Need(a, 2, "bench-frames N move|measure|drag|idle");
    HWND main = NeedMain();
    long n = Num(a[1]);
    const std::string& mode = a[2];
    WPARAM flags = mode == "measure" ? MK_RBUTTON : mode == "drag" ? MK_LBUTTON : 0;
    auto start = Clock::now();
    for (long i = 0; i < n; ++i) {
      long x = 100 + (i * 7) % 400, y = 100 + (i * 13) % 400;
      if (mode == "measure") Cursor(x, y);
      Mouse(WM_MOUSEMOVE, flags, x, y);
      if (mode == "move") InvalidateRect(main, nullptr, FALSE);
      Frame();
    }
    double ms = static_cast<double>(Elapsed(start));
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.3f", ms / static_cast<double>(n));
    Line(buf);
  } else if (c == "face") {  // NAME: the face GDI picks for a font asked for by that name
    Need(a, 1, "face NAME");
    std::wstring name = Wide(DecodeArg(a[1]));
    LOGFONTW lf{};
    lf.lfHeight = -13;
    lf.lfCharSet = DEFAULT_CHARSET;
    lstrcpynW(lf.lfFaceName, name.c_str(), LF_FACESIZE);
    HFONT font = CreateFontIndirectW(&lf);
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font);
    wchar_t face[LF_FACESIZE] = {0};
    GetTextFaceW(dc, LF_FACESIZE, face);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    DeleteObject(font);
    Line(Utf8(face));
  } else if (c == "clipped") {
    // PANEL: the texts of its labels and buttons that do not fit their control's width,
    // joined by "|" (empty when every text fits). The panels' font is the one their dialog
    // template asks for, 8-point "MS Shell Dlg", made here the way the dialog manager makes
    // it (the program's own font handle means nothing in this process).
    Need(a, 1, "clipped PANEL");
    std::vector<HWND> controls;
    for (HWND w = GetWindow(Panel(a[1]), GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT)) {
      controls.push_back(w);
    }
    HDC dc = GetDC(nullptr);
    HFONT font = CreateFontW(-MulDiv(8, GetDeviceCaps(dc, LOGPIXELSY), 72), 0, 0, 0, FW_NORMAL,
                             FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                             CLIP_DEFAULT_PRECIS, PROOF_QUALITY, FF_DONTCARE, L"MS Shell Dlg");
    HGDIOBJ old = SelectObject(dc, font);
    std::wstring out;
    for (HWND w : controls) {
      std::wstring cls = ClassOf(w), text = TextOf(w);
      if ((cls != L"Static" && cls != L"Button") || text.empty()) continue;
      RECT r{};
      GetClientRect(w, &r);
      SIZE size{};
      GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
      // A push button keeps a few pixels of its face for its edges.
      LONG room = r.right - r.left - (cls == L"Button" ? 4 : 0);
      if (size.cx > room) out += (out.empty() ? L"" : L"|") + text;
    }
    SelectObject(dc, old);
    DeleteObject(font);
    ReleaseDC(nullptr, dc);
    Line(Utf8(out));
  } else if (c == "soak" || c == "soak-replay") {
    Soak(a);
  } else {
    Fail("unknown command " + c);
  }
}

DWORD WINAPI Watchdog(LPVOID seconds) {
  Sleep(static_cast<DWORD>(reinterpret_cast<UINT_PTR>(seconds)) * 1000);
  const char msg[] = "error: driver watchdog expired\n";
  DWORD n = 0;
  WriteFile(GetStdHandle(STD_ERROR_HANDLE), msg, sizeof msg - 1, &n, nullptr);
  ExitProcess(3);
}

}  // namespace

namespace driver {

void Do(const Args& a) {
  for (const Args& cmd : SplitCommands(a)) Run(cmd);
}

std::string Ask(const Args& a) {
  std::string out;
  std::string* outer = captured;
  captured = &out;
  for (const Args& cmd : SplitCommands(a)) Run(cmd);
  captured = outer;
  if (!out.empty() && out.back() == '\n') out.pop_back();
  return out;
}

std::vector<Args> SplitCommands(const Args& words) {
  std::vector<Args> commands(1);
  for (const std::string& w : words) {
    if (w == ";") {
      if (!commands.back().empty()) commands.emplace_back();
    } else {
      commands.back().push_back(w);
    }
  }
  if (commands.back().empty()) commands.pop_back();
  return commands;
}

HWND MainWindow() {
  return ::MainWindow();
}

std::vector<HWND> OpenDialogs() {
  HWND main = ::MainWindow();
  return main ? TopDialogs(ProcessOf(main)) : std::vector<HWND>();
}

std::string Caption(HWND w) {
  return Utf8(TextOf(w));
}

void Fail(const std::string& why) {
  ::Fail(why);
}

void BePatient() {
  patient = true;
}

std::string Hex(const std::string& bytes) {
  static const char digits[] = "0123456789abcdef";
  std::string out = "hex:";
  for (unsigned char b : bytes) {
    out.push_back(digits[b >> 4]);
    out.push_back(digits[b & 15]);
  }
  return out;
}

}  // namespace driver

int main(int argc, char** argv) {
  const char* env = std::getenv("DRIVER_TIMEOUT");
  UINT_PTR seconds = env && *env ? std::strtoul(env, nullptr, 10) : 60;
  CreateThread(nullptr, 0, Watchdog, reinterpret_cast<LPVOID>(seconds), 0, nullptr);
  for (const Args& cmd : driver::SplitCommands(Args(argv + 1, argv + argc))) Run(cmd);
  return 0;
}
