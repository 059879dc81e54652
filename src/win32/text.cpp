#include "win32/text.h"

#include <windows.h>

#include <cstring>

#include "base/cp932.h"

namespace dz::win32 {

namespace {
constexpr UINT kShiftJis = 932;
}

std::wstring ToWide(const char* cp932) {
  if (cp932 == nullptr || cp932[0] == '\0') return std::wstring();
  const int n = MultiByteToWideChar(kShiftJis, 0, cp932, -1, nullptr, 0);
  if (n <= 0) return std::wstring();
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(kShiftJis, 0, cp932, -1, &out[0], n);
  out.resize(static_cast<size_t>(n - 1));  // drop the terminator
  return out;
}

std::string ToCp932(const std::wstring& wide) {
  if (wide.empty()) return std::string();
  const int len = static_cast<int>(wide.size());
  // No best fit: a character that code page 932 lacks becomes '?', never a look-alike
  // (the yen sign would otherwise turn into a backslash inside a path).
  const DWORD flags = WC_NO_BEST_FIT_CHARS;
  const int n =
      WideCharToMultiByte(kShiftJis, flags, wide.data(), len, nullptr, 0, nullptr, nullptr);
  if (n <= 0) return std::string();
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(kShiftJis, flags, wide.data(), len, &out[0], n, nullptr, nullptr);
  return out;
}

int ToCp932(const wchar_t* wide, char* buf, int size) {
  if (buf == nullptr || size <= 0) return 0;
  const std::string all = ToCp932(std::wstring(wide != nullptr ? wide : L""));
  const int n = WholeCharacterPrefix(all.c_str(), size - 1);
  std::memcpy(buf, all.data(), static_cast<size_t>(n));
  buf[n] = '\0';
  return n;
}

}  // namespace dz::win32
