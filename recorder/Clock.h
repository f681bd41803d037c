// The recorder's millisecond clock (timeGetTime) and its sleep, replaceable where a test must
// control frame indexes and the pauses between frames.
#pragma once
#include <windows.h>

using ClockSource = DWORD (*)();
using SleepCall = void (*)(DWORD milliseconds);

DWORD RecorderNow();
// Installs another clock (nullptr restores timeGetTime); returns the previous one.
ClockSource SetClockSource(ClockSource source);

void RecorderSleep(DWORD milliseconds);
// Installs another sleep (nullptr restores Sleep); returns the previous one.
SleepCall SetSleepCall(SleepCall call);
