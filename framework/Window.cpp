#include "framework/Window.h"

namespace {
const char kObjectProperty[] = "LumoraWindowObject";
}

Window::~Window() { Unsubclass(); }

bool Window::Subclass(HWND hwnd) {
  if (!hwnd || hwnd_) return false;
  hwnd_ = hwnd;
  SetPropA(hwnd, kObjectProperty, this);
  original_ = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Window::SubclassProc)));
  return original_ != nullptr;
}

void Window::Unsubclass() {
  if (!hwnd_) return;
  if (IsWindow(hwnd_)) {
    SetWindowLongPtrA(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original_));
    RemovePropA(hwnd_, kObjectProperty);
  }
  hwnd_ = nullptr;
  original_ = nullptr;
}

Window* Window::FromHandle(HWND hwnd) {
  return hwnd ? static_cast<Window*>(GetPropA(hwnd, kObjectProperty)) : nullptr;
}

LRESULT Window::Default() {
  return CallWindowProcA(original_, hwnd_, current_.msg, current_.wp, current_.lp);
}

LRESULT CALLBACK Window::SubclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  Window* self = FromHandle(hwnd);
  if (!self) return DefWindowProcA(hwnd, msg, wp, lp);
  if (msg == WM_NCDESTROY) {
    WNDPROC original = self->original_;
    self->Unsubclass();
    LRESULT result = CallWindowProcA(original, hwnd, msg, wp, lp);
    self->OnDestroyed();
    return result;
  }
  Message saved = self->current_;
  self->current_ = {msg, wp, lp};
  LRESULT result = self->WindowProc(msg, wp, lp);
  self->current_ = saved;
  return result;
}
