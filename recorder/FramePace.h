// How long the frame loop waits before its next grab. A still screen needs few grabs, a changing
// one every grab it can get: after a frame in which nothing changed the wait grows by one 5 ms
// step, up to 50 ms, and the first frame that changes brings it back to 5 ms. A change on the
// screen is thus taken at most 50 ms after it appeared.
#pragma once
#include <windows.h>

constexpr DWORD kPauseStepMs = 5;
constexpr DWORD kShortestPauseMs = 5;
constexpr DWORD kLongestPauseMs = 50;

class FramePace {
public:
  // Notes whether the frame just taken differed from the one before it.
  void FrameTaken(bool changed);
  // The pace: the time from the start of one grab to the start of the next.
  DWORD Pace() const { return pace_; }
  // The wait before the next grab when `sinceGrabStartMs` have passed since the last grab began:
  // what is left of the pace, but never less than the 5 ms pause that leaves the teacher's
  // programs their share of the processor (after a changed frame it is always 5 ms).
  DWORD WaitMs(DWORD sinceGrabStartMs) const;

private:
  DWORD pace_ = kShortestPauseMs;
};
