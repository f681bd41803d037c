#include "mainwnd/MainWindowHandle.h"

HWND MainWindowHandle = nullptr;
