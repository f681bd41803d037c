// The main window's handle, process-wide: the capture engine's streaming threads post their
// notifications to it.
#pragma once
#include <windows.h>

extern HWND MainWindowHandle;
