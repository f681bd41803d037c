#include "recorder/MouseHook.h"

#include "recorder/Clock.h"
#include "recorder/ScreenFrame.h"

// One copy for all processes: the section is marked shared in the image. Only initialised data
// lands in it, hence the explicit zeros.
__attribute__((section(".shared"), shared)) HHOOK sharedHook = nullptr;
__attribute__((section(".shared"), shared)) HWND sharedHookWindow = nullptr;
__attribute__((section(".shared"), shared)) DWORD sharedLastCursorCapture = 0;

namespace {
HINSTANCE ThisModule() {
  HMODULE module = nullptr;
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCSTR>(&MouseHookProc), &module);
  return module;
}
}  // namespace

int InstallMyHook(HWND window) {
  if (sharedHook) return 0;
  sharedHook = SetWindowsHookExA(WH_MOUSE, MouseHookProc, ThisModule(), 0);
  if (!sharedHook) return 0;
  sharedHookWindow = window;
  return 1;
}

void UninstallMyHook() {
  if (sharedHook && UnhookWindowsHookEx(sharedHook)) sharedHook = nullptr;
}

LRESULT CALLBACK MouseHookProc(int code, WPARAM message, LPARAM hookRecord) {
  switch (message) {
    case WM_MOUSEMOVE:
    case WM_NCMOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP: {
      DWORD now = RecorderNow();
      if (now - sharedLastCursorCapture > kCursorCaptureSpacingMs) {
        RecordCurrentCursor(GetCursor());
        sharedLastCursorCapture = now;
      }
      break;
    }
    default:
      break;
  }
  return CallNextHookEx(sharedHook, code, message, hookRecord);
}
