#include "tests/recorder/ScreenWindow.h"

namespace {
LRESULT CALLBACK SolidProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_ERASEBKGND) {
    RECT client;
    GetClientRect(window, &client);
    FillRect(reinterpret_cast<HDC>(wParam), &client,
             reinterpret_cast<HBRUSH>(GetWindowLongPtrA(window, GWLP_USERDATA)));
    return 1;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}
}  // namespace

ScreenWindow::ScreenWindow(int x, int y, int width, int height, COLORREF colour)
    : brush_(CreateSolidBrush(colour)) {
  static ATOM registered = 0;
  if (!registered) {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = SolidProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "VistrelTestScreen";
    registered = RegisterClassA(&windowClass);
  }
  window_ = CreateWindowExA(WS_EX_TOPMOST, "VistrelTestScreen", "", WS_POPUP, x, y, width, height,
                            nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(brush_.Get()));
  ShowWindow(window_, SW_SHOWNOACTIVATE);
  UpdateWindow(window_);
  PumpMessagesFor(300);
}

ScreenWindow::~ScreenWindow() {
  DestroyWindow(window_);
  PumpMessagesFor(50);
}

void PumpMessagesFor(DWORD milliseconds) {
  DWORD start = GetTickCount();
  do {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
    Sleep(10);
  } while (GetTickCount() - start < milliseconds);
}
