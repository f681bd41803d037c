#include "framework/App.h"

namespace {
WinApp* currentApp = nullptr;
}

WinApp::WinApp(const char* appTitle) : title(appTitle) { currentApp = this; }

WinApp::~WinApp() {
  if (currentApp == this) currentApp = nullptr;
}

WinApp* WinApp::Current() { return currentApp; }

int WinApp::RunProgram(HINSTANCE inst) {
  instance = inst;
  if (InitInstance()) {
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  }
  return ExitInstance();
}

HINSTANCE ResourceInstance() {
  if (currentApp && currentApp->instance) return currentApp->instance;
  return GetModuleHandleA(nullptr);
}
