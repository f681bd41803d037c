// A topmost window of one colour on the test screen, painted before the constructor returns.
#pragma once
#include "framework/Handles.h"

#include <windows.h>

class ScreenWindow {
public:
  ScreenWindow(int x, int y, int width, int height, COLORREF colour);
  ~ScreenWindow();
  ScreenWindow(const ScreenWindow&) = delete;
  ScreenWindow& operator=(const ScreenWindow&) = delete;
  HWND Get() const { return window_; }

private:
  HWND window_ = nullptr;
  GdiObject<HBRUSH> brush_;
};

// Dispatches this thread's messages for a while.
void PumpMessagesFor(DWORD milliseconds);
