// A device context taken with GetDC, given back when the object goes.
#pragma once

#include <windows.h>

namespace dz::win32 {

class WindowDc {
 public:
  // The window's client area, or the screen for a null window.
  explicit WindowDc(HWND window) : window_(window), dc_(GetDC(window)) {}
  ~WindowDc() {
    if (dc_ != nullptr) ReleaseDC(window_, dc_);
  }
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;

  HDC Get() const { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

}  // namespace dz::win32
