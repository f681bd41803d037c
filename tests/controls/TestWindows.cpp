#include "tests/controls/TestWindows.h"

#include "resources/resource.h"

HostDialog::HostDialog() : Dialog(IDD_ABOUT) {}

BOOL HostDialog::OnInitDialog() {
  if (onInit) onInit();
  return TRUE;
}

LRESULT HostDialog::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_COMMAND && !RouteCommand(wp, lp)) commands.emplace_back(LOWORD(wp), HIWORD(wp));
  if (msg == WM_COMMAND) return 0;
  return Dialog::WindowProc(msg, wp, lp);
}

MainWindowStandIn::MainWindowStandIn() : app_("controls test") {
  hwnd_ = CreateWindowExA(0, "STATIC", "main", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  app_.mainWindow = hwnd_;
}

MainWindowStandIn::~MainWindowStandIn() {
  app_.mainWindow = nullptr;
  DestroyWindow(hwnd_);
}

std::vector<WPARAM> MainWindowStandIn::TakePosted(UINT message) {
  std::vector<WPARAM> found;
  MSG msg;
  while (PeekMessageA(&msg, hwnd_, message, message, PM_REMOVE)) found.push_back(msg.wParam);
  return found;
}

void PumpMessages() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

void SendMouse(HWND window, UINT message, int x, int y, WPARAM keys) {
  SendMessageA(window, message, keys, MAKELPARAM(x, y));
}
