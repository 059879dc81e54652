// The soak: many random but legal user actions sent through the program's window, with
// health checks every so many actions. Part of the end-to-end driver (driver.cpp).
//
//   driver soak N SEED [--every K] [--log FILE] [--no-huge] [--unix-pid PID] [ROOM]
//   driver soak-replay LOG [--every K] [--log FILE] [--unix-pid PID] [ROOM]
//   ROOM: --member DIR --room create|join
//
// Every action is written to the log as the driver commands it ran ("a <n> <words>", ";"
// between commands), so a log replays exactly; every check as "c <n> ...". A run ends with
// one line "soak: ..." (actions, rate, GDI handles and memory at the first and the last
// check) and exit code 0, or 2 when a check failed.
//
// Each check: the window answers within 5 s; the code field's text, loaded back into an
// emptied board, gives the same tokens again (plus the one piece added to make the program
// rewrite it); at most 26 characters and 5 areas; the program's GDI handles stay near what
// they were after the first round of actions and its memory does not keep growing; no
// message box is open.
//
// In a room (--member): the program shares its board with a second member, the native one
// (tools/native/member.cpp, steered through files in DIR), which makes random changes of its
// own meanwhile. The program makes the room (--room create) or joins the member's (join);
// one action in a hundred leaves the room or joins it again. Before and after each check the
// member is paused and, once nothing moves, its code and grid size must equal the program's
// (before the check a piece is added first, so that the program writes its code field).
#include <windows.h>
// After windows.h, which it needs.
#include <psapi.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "driver.h"
#include "panels/ids.h"

using driver::Args;

namespace {

// ---- randomness ---------------------------------------------------------------------------

// splitmix64: the same sequence for a seed on every compiler and library.
struct Random {
  uint64_t state;
  uint64_t Next() {
    uint64_t z = (state += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
  }
  long Below(long n) { return n <= 0 ? 0 : static_cast<long>(Next() % static_cast<uint64_t>(n)); }
  long Between(long lo, long hi) { return lo + Below(hi - lo + 1); }
  bool Chance(int percent) { return Below(100) < percent; }
  template <typename T>
  const T& Pick(const std::vector<T>& v) {
    return v[static_cast<size_t>(Below(static_cast<long>(v.size())))];
  }
};

// ---- the code field, as tokens -----------------------------------------------------------

std::vector<std::string> Tokens(const std::string& code) {
  std::vector<std::string> out;
  size_t start = 0;
  while (start < code.size()) {
    size_t end = code.find(' ', start);
    if (end == std::string::npos) end = code.size();
    if (end > start) out.push_back(code.substr(start, end - start));
    start = end + 1;
  }
  std::sort(out.begin(), out.end());
  return out;
}

bool IsAreaToken(const std::string& t) {
  return t.compare(0, 3, "rb:") == 0;
}

struct Piece {
  long x, y, radius;  // radius 0: a character
};

// Positions of the pieces in a code the program wrote (left, top, radius).
std::vector<Piece> PiecesOf(const std::string& code) {
  std::vector<Piece> out;
  for (const std::string& t : Tokens(code)) {
    size_t c1 = t.find(':');
    size_t comma = c1 == std::string::npos ? c1 : t.find(',', c1);
    size_t c2 = comma == std::string::npos ? comma : t.find(':', comma);
    if (c2 == std::string::npos) continue;
    Piece p{std::atol(t.substr(c1 + 1).c_str()), std::atol(t.substr(comma + 1).c_str()), 0};
    if (IsAreaToken(t)) p.radius = std::atol(t.substr(c2 + 1).c_str());
    out.push_back(p);
  }
  return out;
}

// ---- what a player might type or paste ----------------------------------------------------

const std::vector<std::string> kNameParts = {
    "A",  "Z",  "k", "0", "9",  "#",  "!", "?", "~", "_", "-", "@",  "|",  "\\", "'",  "\"",
    "あ", "ア", "ｱ", "ﾟ", "猫", "龍", "Ω", "é", "ß", "€", "😀", "表", "ソ", "ー", "〜", ";"};

const std::vector<std::string> kHostileCodes = {"::::::::",
                                                ",,,,,,,",
                                                ":",
                                                "rb",
                                                "rb:",
                                                "A",
                                                "A:1",
                                                "A:1,1",
                                                "A:1,1:",
                                                "A:1,1:R",
                                                " ",
                                                "   A:1,1:r   ",
                                                "A:99999999999,-99999999999:r",
                                                "rb:0,0:-3",
                                                "A:+5,  -7:y;",
                                                "A:1,1:r;;;;",
                                                "rb:1,1:2:3:4,5",
                                                "😀:1,1:r",
                                                "é:2,2:g",
                                                "ｱｲｳｴｵ:3,3:b",
                                                "A\t:1,1:r",
                                                "a b c:1,1:r",
                                                "ああああ:1,1:r",
                                                "rbrb:1,1:r",
                                                ":1,1:r",
                                                "A:,:r",
                                                "A: , :w;",
                                                "rb:-2147483648,-2147483648:6",
                                                "A:-2147483648,2147483647:p"};

// Radii that make an area far larger than the board (only with huge radii on).
const std::vector<std::string> kHugeRadii = {"55309",  "34237",       "2147483647", "-2147483648",
                                             "100000", "99999999999", "1000"};

struct Generator {
  Random rnd;
  bool huge;

  std::string Number(long lo, long hi) { return std::to_string(rnd.Between(lo, hi)); }

  std::string Name() {
    std::string name;
    long parts = rnd.Below(5);
    for (long i = 0; i < parts; ++i) name += rnd.Pick(kNameParts);
    // A name that begins with "rb" reads back as an area: not a name a check can compare.
    if (name.compare(0, 2, "rb") == 0) name = "X" + name;
    return name;
  }

  std::string Token() {
    if (rnd.Chance(30)) {
      std::string radius = huge && rnd.Chance(10) ? rnd.Pick(kHugeRadii) : Number(-3, 8);
      return "rb:" + Number(-200, 700) + "," + Number(-200, 700) + ":" + radius;
    }
    static const char* colours[] = {"r", "g", "b", "y", "w", "p"};
    return Name() + ":" + Number(-50, 650) + "," + Number(-50, 650) + ":" + colours[rnd.Below(6)] +
           (rnd.Chance(20) ? ";" : "");
  }

  // Changes a few bytes: a digit, a separator, a byte of any value.
  std::string Mutate(std::string s) {
    static const char bytes[] = ":,; -+0123456789rbgywpA";
    long n = rnd.Between(1, 4);
    for (long i = 0; i < n && !s.empty(); ++i) {
      size_t at = static_cast<size_t>(rnd.Below(static_cast<long>(s.size())));
      switch (rnd.Below(4)) {
        case 0:
          s[at] = bytes[rnd.Below(sizeof bytes - 1)];
          break;
        case 1:
          s.erase(at, 1);
          break;
        case 2:
          s.insert(at, 1, bytes[rnd.Below(sizeof bytes - 1)]);
          break;
        default:
          s[at] = static_cast<char>(rnd.Between(1, 255));
          break;
      }
    }
    return s;
  }

  std::string Code() {
    std::string code;
    long kind = rnd.Below(10);
    if (kind < 2) {
      code = rnd.Pick(kHostileCodes);
    } else if (kind < 3) {  // longer than the input field's 1023 bytes, or just below
      long n = rnd.Between(60, 90);
      for (long i = 0; i < n; ++i) code += (i ? " " : "") + Token();
    } else {
      long n = rnd.Between(0, kind < 5 ? 35 : 12);
      for (long i = 0; i < n; ++i) code += (i ? " " : "") + Token();
      if (kind < 5) code = Mutate(code);
    }
    if (!huge) code = TameRadii(code);
    // Codes are pasted into an edit control: no NUL, no line breaks.
    for (char& c : code) {
      if (c == '\0' || c == '\r' || c == '\n') c = ' ';
    }
    return code;
  }

  // Without huge radii every number of three or more digits after a token's second ":"
  // becomes 3, so no area the code makes is much larger than the board.
  static std::string TameRadii(const std::string& code) {
    std::string out;
    size_t start = 0;
    while (start <= code.size()) {
      size_t end = code.find(' ', start);
      if (end == std::string::npos) end = code.size();
      std::string t = code.substr(start, end - start);
      size_t c1 = t.find(':');
      size_t comma = c1 == std::string::npos ? c1 : t.find(',', c1);
      size_t c2 = comma == std::string::npos ? comma : t.find(':', comma);
      if (c2 != std::string::npos) {
        std::string tail;
        size_t i = c2 + 1;
        while (i < t.size()) {
          size_t j = i;
          while (j < t.size() && t[j] >= '0' && t[j] <= '9') ++j;
          if (j - i >= 3) {
            tail += "3";
            i = j;
          } else if (j > i) {
            tail += t.substr(i, j - i);
            i = j;
          } else {
            tail += t[i++];
          }
        }
        t = t.substr(0, c2 + 1) + tail;
      }
      out += (start ? " " : "") + t;
      start = end + 1;
    }
    return out;
  }
};

// ---- the program's process: GDI handles and memory ----------------------------------------

// One entry of the process's GDI handle table, the table the PEB's GdiSharedHandleTable
// points to (the same layout in 32- and 64-bit processes). Wine's GetGuiResources answers 0,
// so handles are counted here: entries with a type that are not stock objects.
struct GdiEntry {
  uint64_t object;
  uint32_t owner;
  uint16_t unique;  // low 7 bits: extra type, bit 7: stock object
  uint8_t type;
  uint8_t flags;
  uint64_t user;
};
static_assert(sizeof(GdiEntry) == 24, "GDI handle table entry");
constexpr size_t kGdiEntries = 0x10000;

struct BasicInformation {  // PROCESS_BASIC_INFORMATION
  LONG_PTR exit_status;
  void* peb;
  ULONG_PTR affinity;
  LONG_PTR priority;
  ULONG_PTR id;
  ULONG_PTR parent;
};

using QueryProcess = LONG(WINAPI*)(HANDLE, int, void*, ULONG, ULONG*);

// GDI handles of a process of this driver's own bitness; -1 when the table cannot be read.
long GdiHandles(HANDLE process) {
  static QueryProcess query = reinterpret_cast<QueryProcess>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess")));
  BasicInformation info{};
  if (!query || query(process, 0, &info, sizeof info, nullptr) != 0 || !info.peb) return -1;
  // GdiSharedHandleTable: offset 0x94 in a 32-bit PEB, 0xF8 in a 64-bit one.
  const size_t offset = sizeof(void*) == 8 ? 0xF8 : 0x94;
  void* table = nullptr;
  SIZE_T got = 0;
  if (!ReadProcessMemory(process, static_cast<char*>(info.peb) + offset, &table, sizeof table,
                         &got) ||
      !table) {
    return -1;
  }
  static std::vector<GdiEntry> entries(kGdiEntries);
  if (!ReadProcessMemory(process, table, entries.data(), entries.size() * sizeof(GdiEntry), &got) ||
      got != entries.size() * sizeof(GdiEntry)) {
    return -1;
  }
  long n = 0;
  for (const GdiEntry& e : entries) n += e.type != 0 && !(e.unique & 0x80);
  return n;
}

// Private memory of the process in KiB; -1 when unknown. Wine answers 0 for another
// process's counters, so under Wine the program's Unix process is asked instead (given by
// the runner): its resident anonymous memory, read through the drive that maps "/".
long PrivateKb(HANDLE process, long unix_pid) {
  if (unix_pid > 0) {
    std::ifstream status("Z:\\proc\\" + std::to_string(unix_pid) + "\\status");
    std::string key;
    long value = 0;
    while (status >> key) {
      if (key == "RssAnon:" && status >> value) return value;
    }
    return -1;
  }
  PROCESS_MEMORY_COUNTERS_EX pmc{};
  pmc.cb = sizeof pmc;
  if (!GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&pmc),
                            sizeof pmc)) {
    return -1;
  }
  return static_cast<long>(pmc.PrivateUsage / 1024);
}

// The counting must see handles come and go: checked on this process before a soak.
std::string GdiCountingWorks() {
  long before = GdiHandles(GetCurrentProcess());
  if (before < 0) return "the GDI handle table cannot be read";
  std::vector<HGDIOBJ> made;
  for (int i = 0; i < 40; ++i) made.push_back(CreateSolidBrush(RGB(i, 2, 3)));
  for (int i = 0; i < 10; ++i) made.push_back(CreatePen(PS_SOLID, 1, RGB(i, 2, 3)));
  long with = GdiHandles(GetCurrentProcess());
  for (HGDIOBJ h : made) DeleteObject(h);
  long after = GdiHandles(GetCurrentProcess());
  if (with - before != 50 || after != before) {
    return "GDI handle count does not follow 50 new objects: " + std::to_string(before) + " -> " +
           std::to_string(with) + " -> " + std::to_string(after);
  }
  return "";
}

// ---- the second member of a room ----------------------------------------------------------

// The native member, steered through two files of its folder: "ctl" written here, "reply"
// written by the member, each replaced whole.
struct RoomMember {
  std::string dir;
  long number = 0;

  // The member's answer to a command; empty when none came in time.
  std::string Ask(const std::string& command, DWORD ms = 30000) {
    ++number;
    const std::string ctl = dir + "\\ctl", tmp = ctl + ".tmp";
    {
      std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
      out << number << ' ' << command << '\n';
    }
    if (!MoveFileExA(tmp.c_str(), ctl.c_str(), MOVEFILE_REPLACE_EXISTING)) return "";
    const std::string head = std::to_string(number) + " ";
    for (DWORD waited = 0; waited < ms; waited += 20) {
      std::ifstream in(dir + "\\reply", std::ios::binary);
      std::string line;
      if (std::getline(in, line) && line.compare(0, head.size(), head) == 0) {
        return line.substr(head.size());
      }
      Sleep(20);
    }
    return "";
  }
};

// Code page 932 bytes from their hex form, as UTF-8 (the driver's texts).
std::string Cp932HexToUtf8(const std::string& hex) {
  std::string bytes;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) {
    bytes += static_cast<char>(std::strtol(hex.substr(i, 2).c_str(), nullptr, 16));
  }
  if (bytes.empty()) return "";
  int n = MultiByteToWideChar(932, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  std::wstring w(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(932, 0, bytes.data(), static_cast<int>(bytes.size()), &w[0], n);
  n = WideCharToMultiByte(CP_UTF8, 0, w.data(), n, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), &out[0], n, nullptr,
                      nullptr);
  return out;
}

// ---- the soak -----------------------------------------------------------------------------

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) {
  return std::chrono::duration<double>(Clock::now() - since).count();
}

std::string Join(const std::vector<std::string>& words) {
  std::string s;
  for (const std::string& w : words) s += (s.empty() ? "" : " ") + w;
  return s;
}

std::vector<std::string> Words(const std::string& line) {
  std::vector<std::string> out;
  size_t start = 0;
  while (start < line.size()) {
    size_t end = line.find(' ', start);
    if (end == std::string::npos) end = line.size();
    if (end > start) out.push_back(line.substr(start, end - start));
    start = end + 1;
  }
  return out;
}

std::string S(long v) {
  return std::to_string(v);
}

struct Soaker {
  Generator gen;
  long every = 1000;
  int grid = 2;  // index of the grid-size choice; 30 pixels at start
  std::FILE* log = nullptr;
  HANDLE process = nullptr;
  long unix_pid = 0;
  long failures = 0;
  long checks = 0;
  long gdi_first = -1, gdi_last = -1, mem_first = -1, mem_last = -1;
  long gdi_base = -1, mem_base = -1;  // at the first check after a round of actions
  long mem_previous = 0;
  long slow = 0;                 // actions that took more than 2 s
  int growing = 0;               // checks in a row at which memory grew
  RoomMember* member = nullptr;  // in a room with the native member
  bool programCreates = true;
  bool inRoom = false;
  std::string link;

  long Cell() const {
    static const long cells[] = {20, 25, 30, 40};
    return cells[grid];
  }

  void Log(const std::string& line) {
    if (log) {
      std::fputs((line + "\n").c_str(), log);
      std::fflush(log);
    }
  }

  void Failure(long n, const std::string& what) {
    ++failures;
    Log("c " + S(n) + " FAIL " + what);
    std::printf("soak: action %ld: FAIL %s\n", n, what.c_str());
    std::fflush(stdout);
  }

  std::string Code() { return driver::Ask({"gettext", "board", S(IDC_BOARD_CODE)}); }

  static std::string FullBoard() {
    std::string code;
    for (int i = 0; i < 26; ++i) {
      code += std::string(1, static_cast<char>('A' + i)) + ":" + S(i % 6 * 95 + 16) + "," +
              S(i / 6 * 110 + 16) + ":" + "rgbywp"[i % 6] + " ";
    }
    for (int r = 2; r <= 6; ++r)
      code += "rb:" + S(r * 70 - 100) + "," + S(r * 60 - 60) + ":" + S(r) + " ";
    code.pop_back();
    return code;
  }

  // A point on the board: often a piece's centre, so that presses find pieces.
  std::pair<long, long> Target() {
    if (gen.rnd.Chance(60)) {
      std::vector<Piece> pieces = PiecesOf(Code());
      std::vector<Piece> seen;
      for (const Piece& p : pieces) {
        long size = p.radius ? 2 * p.radius * Cell() : Cell();
        long cx = p.x + size / 2, cy = p.y + size / 2;
        if (cx >= 0 && cx < 600 && cy >= 0 && cy < 600) seen.push_back({cx, cy, 0});
      }
      if (!seen.empty()) {
        const Piece& p = gen.rnd.Pick(seen);
        return {p.x, p.y};
      }
    }
    return {gen.rnd.Below(600), gen.rnd.Below(600)};
  }

  // ---- the room ----

  bool WaitMembers(int n) {
    const std::string want = "接続 " + S(n) + "人";
    for (int i = 0; i < 100; ++i) {
      if (driver::Ask({"gettext", "main"}).find(want) != std::string::npos) return true;
      Sleep(200);
    }
    return false;
  }

  // The program joins the room of `link` through its dialog.
  void JoinRoom(long n) {
    driver::Ask({"menu-post", S(IDM_ROOM_JOIN), ";", "dialog-settext", S(IDC_ROOM_LINK),
                 driver::Hex(link), ";", "dialog-post", "1"});
    for (int i = 0; i < 50 && driver::Ask({"no-dialog"}) != "1"; ++i) Sleep(100);
    inRoom = true;
    if (!WaitMembers(2))
      Failure(n, "the program did not join the room: " + driver::Ask({"gettext", "main"}));
  }

  // The program and the member in one room: the program makes it, or joins the member's.
  void EnterRoom() {
    if (programCreates) {
      driver::Ask({"menu-post", S(IDM_ROOM_CREATE), ";", "dialog", ";", "answer", "ok"});
      link = driver::Ask({"clipboard"});
      if (link.find("#room=") == std::string::npos) driver::Fail("soak: no room link: " + link);
      const std::string joined = member->Ask("join " + link);
      if (joined != "joined") driver::Fail("soak: the member did not join: " + joined);
    } else {
      const std::string made = member->Ask("create");
      if (made.compare(0, 5, "link ") != 0) driver::Fail("soak: the member made no room: " + made);
      link = made.substr(5);
      JoinRoom(0);
    }
    inRoom = true;
    if (!WaitMembers(2)) driver::Fail("soak: the room does not show two members");
    Log("c 0 room " + std::string(programCreates ? "made by the program" : "made by the member") +
        " " + link);
  }

  // The member pauses; once nothing moves, its code and grid size must be the program's.
  // The program's code field is its board only since the last change that wrote it (a
  // loaded code is not written there): with `refresh`, a piece is added first, so that the
  // field is written (and the piece reaches the member too). When both pools are full no
  // piece can be added: the board is cleared, and then one is.
  void CompareRoom(long n, const char* when, bool refresh) {
    if (!member) return;
    if (!inRoom) JoinRoom(n);
    if (refresh) {
      const std::string shown = Code();
      for (int id : {IDC_BOARD_ADD_MARKER, IDC_BOARD_ADD_AREA, IDC_BOARD_CLEAR}) {
        if (id == IDC_BOARD_CLEAR) {
          driver::Ask({"button", "board", S(id), ";", "button", "board", S(IDC_BOARD_ADD_MARKER)});
          Log("c " + S(n) +
              " room: both pools full, the board cleared so that the field is written");
        } else {
          driver::Ask({"button", "board", S(id)});
        }
        if (Code() != shown) break;
      }
    }
    static const long cells[] = {20, 25, 30, 40};
    std::string program, theirs, answer;
    long programGrid = 0, theirGrid = -1;
    for (int attempt = 0; attempt < 30; ++attempt) {
      answer = member->Ask("pause");
      std::vector<std::string> w = Words(answer);
      if (w.size() < 4 || w[0] != "code") {
        Sleep(500);
        continue;
      }
      theirs = Cp932HexToUtf8(w[1] == "-" ? "" : w[1]);
      theirGrid = std::atol(w[3].c_str());
      program = Code();
      grid = static_cast<int>(
                 std::atol(driver::Ask({"combo-get", "board", S(IDC_BOARD_GRID)}).c_str())) &
             3;
      programGrid = cells[grid];
      if (program == theirs && programGrid == theirGrid) {
        Log("c " + S(n) + " room " + when + ": the members agree, " +
            S(static_cast<long>(Tokens(program).size())) + " tokens, grid " + S(programGrid));
        return;
      }
      Sleep(500);
    }
    Failure(n, std::string("the room's members differ ") + when + ": program [" + program +
                   "] grid " + S(programGrid) + ", member [" + theirs + "] grid " + S(theirGrid) +
                   " (" + answer + ")");
  }

  // One random action as driver words.
  Args NextAction() {
    Random& r = gen.rnd;
    if (member && r.Chance(1)) return {inRoom ? "room-leave" : "room-join"};
    long kind = r.Below(100);
    auto [x, y] = Target();
    if (kind < 18) return {"click", S(x), S(y)};
    if (kind < 34) {
      return {
          "drag", S(x), S(y), S(r.Between(-20, 620)), S(r.Between(-20, 620)), S(r.Between(1, 8))};
    }
    if (kind < 40) {
      long x2 = r.Below(600), y2 = r.Below(600);
      return {"rdown", S(x), S(y), ";", "move", S(x2), S(y2), "2", ";", "rup", S(x2), S(y2)};
    }
    if (kind < 48) return {"button", "board", S(IDC_BOARD_ADD_MARKER)};
    if (kind < 53) return {"button", "board", S(IDC_BOARD_ADD_AREA)};
    if (kind < 55) return {"button", "board", S(IDC_BOARD_CLEAR)};
    if (kind < 57) return {"button", "board", S(IDC_BOARD_COPY)};
    if (kind < 67) {
      return {"settext", "board", S(IDC_BOARD_INPUT), driver::Hex(gen.Code()), ";",
              "button",  "board", S(IDC_BOARD_LOAD)};
    }
    if (kind < 74) return {"settext", "marker", S(IDC_MARKER_NAME), driver::Hex(gen.Name())};
    if (kind < 76) {
      return {"settext", "marker", S(IDC_MARKER_NAME), driver::Hex(""),        ";",
              "type",    "marker", S(IDC_MARKER_NAME), driver::Hex(gen.Name())};
    }
    if (kind < 80) return {"combo-select", "marker", S(IDC_MARKER_COLOR), S(r.Below(6))};
    if (kind < 84) return {"combo-select", "area", S(IDC_AREA_RADIUS), S(r.Below(5))};
    if (kind < 86) return {"combo-select", "board", S(IDC_BOARD_GRID), S(r.Below(4))};
    if (kind < 89) return {"button", "marker", S(IDC_MARKER_MELEE)};
    if (kind < 91) return {"button", "marker", S(IDC_MARKER_DELETE)};
    if (kind < 93) return {"button", "area", S(IDC_AREA_DELETE)};
    static const std::vector<long> menu = {IDM_SNAP,           IDM_MARKER_DISTANCES,
                                           IDM_LINE_DISTANCES, IDM_ROUND_HALF_UP,
                                           IDM_ROUND_DOWN,     IDM_ROUND_UP};
    return {"menu", S(r.Pick(menu))};
  }

  void Perform(long n, const Args& words) {
    Log("a " + S(n) + " " + Join(words));
    auto t0 = Clock::now();
    for (const Args& cmd : driver::SplitCommands(words)) {
      if (cmd.size() == 4 && cmd[0] == "combo-select" && cmd[1] == "board") {
        grid = static_cast<int>(std::atol(cmd[3].c_str())) & 3;
      }
      if (cmd[0] == "room-leave" || cmd[0] == "room-join") {
        if (!member) continue;  // a replay outside a room
        if (cmd[0] == "room-join") {
          JoinRoom(n);
        } else {
          driver::Ask({"menu", S(IDM_ROOM_LEAVE)});
          inRoom = false;
        }
        continue;
      }
      driver::Do(cmd);
    }
    double took = Seconds(t0);
    if (took > 2) {
      ++slow;
      Log("c " + S(n) + " note: the action took " + S(static_cast<long>(took * 1000)) + " ms");
    }
    // The only message box the program shows is a picture that failed to load: none is
    // expected here. Say so, and answer it so the soak can go on.
    for (HWND dlg : driver::OpenDialogs()) {
      Failure(n, "a dialog opened: " + driver::Caption(dlg));
      PostMessageW(dlg, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
      PostMessageW(dlg, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
      Sleep(200);
    }
  }

  void Check(long n) {
    ++checks;
    HWND main = driver::MainWindow();
    if (!main) {
      Failure(n, "the window is gone");
      driver::Fail("the program's window is gone");
    }
    auto t0 = Clock::now();
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(main, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &result)) {
      Failure(n, "the window did not answer within 5 s");
      driver::Fail("the program does not answer");
    }
    long answer_ms = static_cast<long>(Seconds(t0) * 1000);
    CompareRoom(n, "before the check", true);

    // The code field read back: empty the board, load the field's text, then add a piece so
    // that the program writes the code again.
    std::string before = Code();
    driver::Do({"button", "board", S(IDC_BOARD_CLEAR)});
    driver::Do({"settext", "board", S(IDC_BOARD_INPUT), driver::Hex(before), ";", "button", "board",
                S(IDC_BOARD_LOAD)});
    std::string after = before;
    for (int id : {IDC_BOARD_ADD_MARKER, IDC_BOARD_ADD_AREA}) {
      driver::Do({"button", "board", S(id)});
      after = Code();
      if (after != before) break;
    }
    std::string round_trip = "full board, not compared";
    if (after != before) {
      std::vector<std::string> want = Tokens(before), got = Tokens(after), extra;
      std::set_difference(got.begin(), got.end(), want.begin(), want.end(),
                          std::back_inserter(extra));
      bool kept = std::includes(got.begin(), got.end(), want.begin(), want.end());
      if (!kept || extra.size() != 1 || got.size() != want.size() + 1) {
        Failure(n, "the code read back differs: [" + before + "] -> [" + after + "]");
      }
      round_trip = S(static_cast<long>(want.size())) + " tokens kept";
    }
    long characters = 0, areas = 0;
    for (const std::string& t : Tokens(after)) (IsAreaToken(t) ? areas : characters)++;
    if (characters > 26 || areas > 5) {
      Failure(n, "pools overrun: " + S(characters) + " characters, " + S(areas) + " areas");
    }

    // Handles and memory are measured on the same board at every check, a full one loaded
    // from the same code; then the board read back above is loaded again.
    driver::Do({"button", "board", S(IDC_BOARD_CLEAR), ";", "settext", "board", S(IDC_BOARD_INPUT),
                driver::Hex(FullBoard()), ";", "button", "board", S(IDC_BOARD_LOAD)});
    long gdi = GdiHandles(process), mem = PrivateKb(process, unix_pid);
    driver::Do({"button", "board", S(IDC_BOARD_CLEAR), ";", "settext", "board", S(IDC_BOARD_INPUT),
                driver::Hex(after), ";", "button", "board", S(IDC_BOARD_LOAD)});
    if (checks == 1) {
      gdi_first = gdi;
      mem_first = mem;
    } else if (checks == 2) {
      gdi_base = gdi;
      mem_base = mem;
    }
    gdi_last = gdi;
    mem_last = mem;
    // The bounds count from the check after the first round of actions (the program makes
    // some objects only when first used: colours, grid sizes, the measuring line). Handles
    // are exact: a handle lost every few hundred actions crosses the bound within a long run.
    // Resident memory also rises in steps that then stay flat (the platform keeps the room a
    // large drawing once needed): a step is noted; a leak is memory that grows at every one
    // of five checks in a row, or beyond a generous ceiling.
    if (gdi < 0) Failure(n, "GDI handles cannot be counted");
    if (mem < 0) Failure(n, "the program's memory cannot be measured");
    if (gdi_base >= 0 && gdi > gdi_base + 16) {
      Failure(n, "GDI handles grow: " + S(gdi_base) + " -> " + S(gdi));
    }
    if (mem_base > 0 && mem > mem_base + 128 * 1024) {
      Failure(n, "memory grows: " + S(mem_base) + " KiB -> " + S(mem) + " KiB");
    }
    if (checks > 2 && mem >= mem_previous + 64) {
      ++growing;
      if (mem >= mem_previous + 8 * 1024) {
        Log("c " + S(n) + " note: memory rose by " + S(mem - mem_previous) + " KiB");
      }
    } else {
      growing = 0;
    }
    if (growing == 5) Failure(n, "memory grew at five checks in a row, now " + S(mem) + " KiB");
    mem_previous = mem;
    std::string line = "c " + S(n) + " answer " + S(answer_ms) + " ms; " + round_trip + "; " +
                       S(characters) + " characters, " + S(areas) + " areas; gdi " + S(gdi) +
                       "; memory " + S(mem) + " KiB";
    Log(line);
    // The board the actions go on from: with it, the grid size and the settings, the actions
    // after this check can be replayed on their own.
    CompareRoom(n, "after the check", false);
    if (member && member->Ask("resume") != "ok") Failure(n, "the member does not answer");
    Log("c " + S(n) + " board " + driver::Hex(after) + " grid " + S(grid));
    std::printf("soak: %s\n", line.c_str() + 2);
    std::fflush(stdout);
  }
};

}  // namespace

void Soak(const Args& a) {
  bool replay = a[0] == "soak-replay";
  if (a.size() < (replay ? 2u : 3u)) {
    driver::Fail("usage: soak N SEED [--every K] [--log FILE] [--no-huge] | soak-replay LOG");
  }
  Soaker s;
  s.gen.huge = true;
  std::string log_path = replay ? a[1] + ".replay" : "soak.log";
  for (size_t i = replay ? 2 : 3; i < a.size(); ++i) {
    if (a[i] == "--every" && i + 1 < a.size()) {
      s.every = std::max(1L, std::atol(a[++i].c_str()));
    } else if (a[i] == "--log" && i + 1 < a.size()) {
      log_path = a[++i];
    } else if (a[i] == "--unix-pid" && i + 1 < a.size()) {
      s.unix_pid = std::atol(a[++i].c_str());
    } else if (a[i] == "--no-huge") {
      s.gen.huge = false;
    } else if (a[i] == "--member" && i + 1 < a.size()) {
      static RoomMember member;
      member.dir = a[++i];
      s.member = &member;
    } else if (a[i] == "--room" && i + 1 < a.size()) {
      s.programCreates = a[++i] != "join";
    } else {
      driver::Fail("soak: unknown option " + a[i]);
    }
  }

  std::vector<Args> actions;
  long total = 0;
  if (replay) {
    std::ifstream in(a[1]);
    if (!in) driver::Fail("soak: cannot read " + a[1]);
    std::string line;
    while (std::getline(in, line)) {
      std::vector<std::string> w = Words(line);
      if (w.size() >= 3 && w[0] == "a") actions.emplace_back(w.begin() + 2, w.end());
    }
    total = static_cast<long>(actions.size());
  } else {
    total = std::atol(a[1].c_str());
    s.gen.rnd.state = std::strtoull(a[2].c_str(), nullptr, 0);
  }

  driver::BePatient();
  std::string broken = GdiCountingWorks();
  if (!broken.empty()) driver::Fail("soak: " + broken);
  HWND main = driver::MainWindow();
  if (!main) driver::Fail("soak: no window of the program");
  DWORD pid = 0;
  GetWindowThreadProcessId(main, &pid);
  s.process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
  if (!s.process) driver::Fail("soak: cannot open the program's process");

  s.log = std::fopen(log_path.c_str(), "w");
  if (!s.log) driver::Fail("soak: cannot write " + log_path);
  s.Log("# soak " + (replay ? "replay of " + a[1] : "seed " + a[2]) + ", " + S(total) +
        " actions, checks every " + S(s.every) + (s.gen.huge ? ", huge radii" : "") +
        (s.member ? ", in a room with the native member" : ""));

  if (s.member) s.EnterRoom();
  auto start = Clock::now();
  s.Check(0);
  for (long n = 1; n <= total; ++n) {
    s.Perform(n, replay ? actions[static_cast<size_t>(n - 1)] : s.NextAction());
    if (n % s.every == 0 || n == total) s.Check(n);
  }
  double secs = Seconds(start);
  char summary[512];
  std::snprintf(summary, sizeof summary,
                "soak: %ld actions in %.0f s (%.1f actions/s, %ld slower than 2 s), %ld checks, "
                "%ld failed; "
                "GDI handles %ld -> %ld; memory %ld -> %ld KiB; log %s",
                total, secs, secs > 0 ? static_cast<double>(total) / secs : 0.0, s.slow, s.checks,
                s.failures, s.gdi_first, s.gdi_last, s.mem_first, s.mem_last, log_path.c_str());
  s.Log(std::string("# ") + (summary + 6));
  std::fclose(s.log);
  CloseHandle(s.process);
  std::printf("%s\n", summary);
  std::fflush(stdout);
  if (s.failures) driver::Fail("soak: " + S(s.failures) + " failed checks");
}
