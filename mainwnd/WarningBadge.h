// The warning badge: a small window in a corner of the recorded screen that shows the standing
// warnings to a teacher who presents full screen, where the taskbar is hidden and Windows holds
// balloons back. It stays on top, never takes the keyboard or the mouse, and where Windows offers
// it (10 version 2004 and later) asks not to be captured, so that screen.avi does not show it.
#pragma once
#include <windows.h>

#include <string>

class WarningBadge {
public:
  // The largest the badge grows, in pixels.
  static constexpr int kMaxWidth = 240;
  static constexpr int kMaxHeight = 40;

  WarningBadge() = default;
  ~WarningBadge();
  WarningBadge(const WarningBadge&) = delete;
  WarningBadge& operator=(const WarningBadge&) = delete;

  // Shows the badge with `text` (made at the first call), or changes its text; it is put on top
  // again each time, above a full-screen window that came up meanwhile.
  void Show(const std::string& text);
  void Hide();
  HWND Handle() const { return window_; }
  // Whether Windows agreed to keep the badge out of screen captures.
  bool ExcludedFromCapture() const { return excluded_; }

private:
  static LRESULT CALLBACK Procedure(HWND window, UINT msg, WPARAM wp, LPARAM lp);
  bool Create();
  void Place();
  void Paint();

  HWND window_ = nullptr;
  HFONT font_ = nullptr;
  std::string text_;
  bool excluded_ = false;
};
