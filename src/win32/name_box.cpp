#include "win32/name_box.h"

#include <commctrl.h>

#include <algorithm>
#include <string>

#include "board/pieces.h"
#include "win32/text.h"

namespace dz::win32 {
namespace {

constexpr UINT_PTR kSubclassId = 1;

std::wstring TextOf(HWND box) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(box)) + 1, L'\0');
  text.resize(
      static_cast<std::size_t>(GetWindowTextW(box, text.data(), static_cast<int>(text.size()))));
  return text;
}

// Whether the box's text with its selection replaced by `typed` is still a whole name.
bool Takes(HWND box, const std::wstring& typed) {
  std::wstring text = TextOf(box);
  DWORD start = 0;
  DWORD end = 0;
  SendMessageW(box, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  const std::size_t from = std::min<std::size_t>(start, text.size());
  const std::size_t to = std::clamp<std::size_t>(end, from, text.size());
  text.replace(from, to - from, typed);
  return ToCp932(text).size() <= static_cast<std::size_t>(kNameBytes);
}

std::wstring ClipboardText(HWND box) {
  std::wstring text;
  if (!OpenClipboard(box)) return text;
  if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
    if (const auto* p = static_cast<const wchar_t*>(GlobalLock(data))) {
      text = p;
      GlobalUnlock(data);
    }
  }
  CloseClipboard();
  return text;
}

// Refused input changes nothing and says so.
LRESULT Refuse() {
  MessageBeep(MB_OK);
  return 0;
}

LRESULT CALLBACK NameBoxProc(HWND box, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                             DWORD_PTR) {
  switch (message) {
    case WM_CHAR:
      // Control characters (backspace, Ctrl+A, …) stay the edit control's own.
      if (wParam >= 0x20 && wParam != 0x7F &&
          !Takes(box, std::wstring(1, static_cast<wchar_t>(wParam)))) {
        return Refuse();
      }
      break;
    case WM_PASTE:
      if (!Takes(box, ClipboardText(box))) return Refuse();
      break;
    case EM_REPLACESEL: {
      const auto* text = reinterpret_cast<const wchar_t*>(lParam);
      if (!Takes(box, text != nullptr ? text : L"")) return Refuse();
      break;
    }
    case WM_SETTEXT: {
      char name[kNameBytes + 1];
      const auto* text = reinterpret_cast<const wchar_t*>(lParam);
      ToCp932(text != nullptr ? text : L"", name, sizeof name);
      const std::wstring cut = ToWide(name);
      return DefSubclassProc(box, message, wParam, reinterpret_cast<LPARAM>(cut.c_str()));
    }
    case WM_NCDESTROY:
      RemoveWindowSubclass(box, NameBoxProc, kSubclassId);
      break;
    default:
      break;
  }
  return DefSubclassProc(box, message, wParam, lParam);
}

}  // namespace

void LimitToName(HWND box) {
  if (box != nullptr) SetWindowSubclass(box, NameBoxProc, kSubclassId, 0);
}

}  // namespace dz::win32
