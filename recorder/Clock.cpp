#include "recorder/Clock.h"

#include <mmsystem.h>

namespace {
DWORD SystemClock() { return timeGetTime(); }
void SystemSleep(DWORD milliseconds) { Sleep(milliseconds); }
ClockSource current = SystemClock;
SleepCall currentSleep = SystemSleep;
}  // namespace

DWORD RecorderNow() { return current(); }

ClockSource SetClockSource(ClockSource source) {
  ClockSource previous = current;
  current = source ? source : SystemClock;
  return previous;
}

void RecorderSleep(DWORD milliseconds) { currentSleep(milliseconds); }

SleepCall SetSleepCall(SleepCall call) {
  SleepCall previous = currentSleep;
  currentSleep = call ? call : SystemSleep;
  return previous;
}
