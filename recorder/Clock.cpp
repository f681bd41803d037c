#include "recorder/Clock.h"

#include <mmsystem.h>

namespace {
DWORD SystemClock() { return timeGetTime(); }
ClockSource current = SystemClock;
}  // namespace

DWORD RecorderNow() { return current(); }

ClockSource SetClockSource(ClockSource source) {
  ClockSource previous = current;
  current = source ? source : SystemClock;
  return previous;
}
