#include "win32/room_window.h"

#include <cstdint>
#include <cwchar>
#include <string>

#include "app/room_session.h"
#include "panels/ids.h"
#include "panels/ui_ports.h"
#include "room/link.h"
#include "room/room.h"
#include "win32/room_ports.h"
#include "win32/text.h"

namespace dz::win32 {
namespace {

constexpr UINT_PTR kRoomTimer = 0x524d;  // its id among the main window's timers
constexpr UINT kTickMs = 100;

// The title: the program's alone outside a room, the room's status after it inside.
class TitleStatus : public RoomStatusView {
 public:
  void ShowRoomStatus(const char* text) override {
    std::wstring title = base;
    if (text != nullptr && text[0] != '\0') title += L" \x2014 " + ToWide(text);
    SetWindowTextW(window, title.c_str());
  }
  HWND window = nullptr;
  std::wstring base;
};

struct RoomPorts {
  WinsockStream stream;
  CngCrypto crypto;
  TitleStatus title;
  HINSTANCE instance = nullptr;
};
RoomPorts* ports = nullptr;  // made once: the stream's buffer is large

// An environment variable as code page 932 (its values are addresses), or `fallback`.
std::string Setting(const wchar_t* name, const char* fallback) {
  wchar_t value[512];
  const DWORD n = GetEnvironmentVariableW(name, value, 512);
  if (n == 0 || n >= 512) return fallback;
  return ToCp932(std::wstring(value, n));
}

void Tell(HWND owner, const wchar_t* text, UINT icon) {
  MessageBoxW(owner, text, L"\x30eb\x30fc\x30e0", MB_OK | icon);  // ルーム
}

void CreateRoom(HWND window) {
  const std::string page = Setting(L"DOZERO_PAGE", kDefaultPage);
  const std::string ws = Setting(L"DOZERO_BROKER_WS", kDefaultBrokerWs);
  const std::string tcp = Setting(L"DOZERO_BROKER_TCP", kDefaultBrokerTcp);
  char link[kMaxLinkSize];
  if (ProgramRoom()->Create(page.c_str(), ws.c_str(), tcp.c_str(), link, sizeof link) == 0) {
    // ブローカーまたはページのアドレスが正しくありません
    Tell(window,
         L"\x30d6\x30ed\x30fc\x30ab\x30fc\x307e\x305f\x306f\x30da\x30fc\x30b8\x306e\x30a2"
         L"\x30c9\x30ec\x30b9\x304c\x6b63\x3057\x304f\x3042\x308a\x307e\x305b\x3093",
         MB_ICONERROR);
    return;
  }
  uiPorts.clipboard->PutText(link);
  // ルームのリンクをクリップボードにコピーしました:
  const std::wstring text =
      L"\x30eb\x30fc\x30e0\x306e\x30ea\x30f3\x30af\x3092\x30af\x30ea\x30c3\x30d7\x30dc"
      L"\x30fc\x30c9\x306b\x30b3\x30d4\x30fc\x3057\x307e\x3057\x305f:\n\n" +
      ToWide(link);
  Tell(window, text.c_str(), MB_ICONINFORMATION);
}

// The join dialog: the link pasted into its box; OK joins, a bad link is said and the
// dialog stays.
INT_PTR CALLBACK JoinProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      SendDlgItemMessageW(dialog, IDC_ROOM_LINK, EM_LIMITTEXT, kMaxLinkSize - 1, 0);
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDCANCEL) {
        EndDialog(dialog, IDCANCEL);
        return TRUE;
      }
      if (LOWORD(wParam) == IDOK) {
        wchar_t wide[kMaxLinkSize];
        GetDlgItemTextW(dialog, IDC_ROOM_LINK, wide, kMaxLinkSize);
        char link[kMaxLinkSize];
        ToCp932(wide, link, sizeof link);
        switch (ProgramRoom()->Join(link)) {
          case JoinResult::Joined:
            EndDialog(dialog, IDOK);
            break;
          case JoinResult::BadLink:  // ルームのリンクではありません
            Tell(dialog,
                 L"\x30eb\x30fc\x30e0\x306e\x30ea\x30f3\x30af\x3067\x306f\x3042\x308a\x307e"
                 L"\x305b\x3093",
                 MB_ICONERROR);
            break;
          case JoinResult::NoAddress:  // このリンクにはTCPのブローカーアドレスがありません
            Tell(dialog,
                 L"\x3053\x306e\x30ea\x30f3\x30af\x306b\x306f"
                 L"TCP\x306e\x30d6\x30ed\x30fc"
                 L"\x30ab\x30fc\x30a2\x30c9\x30ec\x30b9\x304c\x3042\x308a\x307e\x305b\x3093",
                 MB_ICONERROR);
            break;
        }
        return TRUE;
      }
      return FALSE;
    default:
      return FALSE;
  }
}

}  // namespace

void StartRoom(HWND window, HINSTANCE instance, const wchar_t* title) {
  if (ports != nullptr) return;
  ports = new RoomPorts;
  ports->instance = instance;
  ports->title.window = window;
  ports->title.base = title;
  StartRooms(ports->stream, ports->crypto, Transport::Tcp, &ports->title);
  ports->stream.Attach(window, ProgramRoom());
  SetTimer(window, kRoomTimer, kTickMs, nullptr);
}

bool HandleRoomMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (ports == nullptr) return false;
  switch (message) {
    case kResolvedMessage:
      ports->stream.OnResolved(wParam, lParam);
      return true;
    case kSocketMessage:
      ports->stream.OnSocket(wParam, lParam);
      return true;
    case kFailedMessage:
      ports->stream.OnFailed(wParam);
      return true;
    case WM_TIMER:
      if (wParam != kRoomTimer) return false;
      RoomTick(GetTickCount64());
      return true;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDM_ROOM_CREATE:
          CreateRoom(ports->title.window);
          return true;
        case IDM_ROOM_JOIN:
          DialogBoxParamW(ports->instance, L"ROOMJOINDLG", ports->title.window, JoinProc, 0);
          return true;
        case IDM_ROOM_LEAVE:
          ProgramRoom()->Leave();
          return true;
        default:
          return false;
      }
    default:
      return false;
  }
}

}  // namespace dz::win32
