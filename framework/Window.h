// A C++ object bound to a window by subclassing: its WindowProc sees every message first and
// Default() hands a message on to the window's original procedure.
#pragma once
#include <windows.h>

class Window {
public:
  Window() = default;
  virtual ~Window();
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  HWND Handle() const { return hwnd_; }
  // Binds this object to an existing window (for example a dialog's control).
  bool Subclass(HWND hwnd);
  bool SubclassDlgItem(int id, HWND parent) { return Subclass(GetDlgItem(parent, id)); }
  void Unsubclass();

  // The object bound to a window, or null.
  static Window* FromHandle(HWND hwnd);

  // Notifications that the parent dialog reflects to the control that sent them
  // (WM_DRAWITEM, WM_CTLCOLOR*, WM_COMMAND); true when the control handled the message.
  virtual bool OnReflectedMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) { return false; }

protected:
  virtual LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) { return Default(); }
  // The window's original handling of the message being processed.
  LRESULT Default();
  // Called when the window is destroyed, after the binding was removed.
  virtual void OnDestroyed() {}

  HWND hwnd_ = nullptr;

private:
  static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  WNDPROC original_ = nullptr;
  struct Message { UINT msg; WPARAM wp; LPARAM lp; } current_{};
};
