// What the core's inputs and results are in Win32 messages.
#pragma once

#include <windows.h>

#include <cstdint>

#include "app/pointer.h"
#include "panels/ui_ports.h"

namespace dz::win32 {

// A mouse message's position: x in the low 16 bits of lParam, y in the high 16 bits, each
// read as unsigned.
inline Point BoardPoint(LPARAM lParam) {
  const auto bits = static_cast<std::uint32_t>(static_cast<std::uintptr_t>(lParam));
  return Point{static_cast<std::int32_t>(bits & 0xFFFFu),
               static_cast<std::int32_t>((bits >> 16) & 0xFFFFu)};
}

// The buttons a mouse message says are held.
inline HeldButtons HeldButtonsOf(WPARAM wParam) {
  HeldButtons held;
  held.left = (wParam & MK_LBUTTON) != 0;
  held.right = (wParam & MK_RBUTTON) != 0;
  return held;
}

// The dialog procedure's result of a board panel command: -1 and -2 for a copy that
// failed for want of memory or of the clipboard, 0 otherwise.
inline INT_PTR DialogResultOf(ClipboardResult result) {
  switch (result) {
    case ClipboardResult::NoMemory:
      return -1;
    case ClipboardResult::CannotOpen:
      return -2;
    case ClipboardResult::Ok:
      break;
  }
  return 0;
}

}  // namespace dz::win32
