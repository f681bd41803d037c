// The recorder's millisecond clock (timeGetTime), replaceable where a test must control
// frame indexes.
#pragma once
#include <windows.h>

using ClockSource = DWORD (*)();

DWORD RecorderNow();
// Installs another clock (nullptr restores timeGetTime); returns the previous one.
ClockSource SetClockSource(ClockSource source);
