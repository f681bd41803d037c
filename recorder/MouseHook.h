// The library's global mouse hook: it notes the pointer shape that frames show. Its handle,
// window and last capture time are shared by every process that has the library loaded.
#pragma once
#include <windows.h>

extern "C" {
// 1 when it installed the hook; 0 when a hook is already installed (in any process) or failed.
int InstallMyHook(HWND window);
void UninstallMyHook();
}

LRESULT CALLBACK MouseHookProc(int code, WPARAM message, LPARAM hookRecord);

// Milliseconds between two pointer-shape captures at the most.
constexpr DWORD kCursorCaptureSpacingMs = 20;
