// A window whose procedure forwards every message to a C++ object. The object is handed
// to CreateWindowExW as its creation parameter, bound to the window at WM_NCCREATE and
// reached through GWLP_USERDATA afterwards, so the object keeps its state in members.
#pragma once

#include <windows.h>

namespace dz::win32 {

template <class Derived>
class BaseWindow {
 public:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    Derived* self = nullptr;
    if (message == WM_NCCREATE) {
      const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
      self = static_cast<Derived*>(create->lpCreateParams);
      SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
      if (self != nullptr) self->Bind(window);
    } else {
      self = reinterpret_cast<Derived*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    }
    if (self == nullptr) return DefWindowProcW(window, message, wParam, lParam);
    return self->HandleMessage(message, wParam, lParam);
  }

  HWND Window() const { return window_; }

 protected:
  BaseWindow() = default;
  ~BaseWindow() = default;
  // Called once, at WM_NCCREATE, before any other message reaches the object.
  void Bind(HWND window) { window_ = window; }

  HWND window_ = nullptr;
};

}  // namespace dz::win32
