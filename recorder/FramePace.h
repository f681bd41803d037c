// How long the frame loop waits before its next grab. A still screen needs few grabs, a changing
// one every grab it can get: after a frame in which nothing changed the pause grows by one 5 ms
// step, up to 50 ms, and the first frame that changes brings it back to 5 ms. The next grab never
// begins more than 50 ms after the last one began, so a change on the screen is taken at most
// 50 ms after it appeared, however long the grab itself takes.
#pragma once
#include <windows.h>

constexpr DWORD kPauseStepMs = 5;
constexpr DWORD kShortestPauseMs = 5;
constexpr DWORD kLongestPauseMs = 50;

class FramePace {
public:
  // Notes whether the frame just taken differed from the one before it.
  void FrameTaken(bool changed);
  // The pause after the frame just taken, before the 50 ms limit.
  DWORD Pause() const { return pause_; }
  // The wait before the next grab when `sinceGrabStartMs` have passed since the last grab began:
  // the pause, cut so that the next grab begins at most 50 ms after the last one began, but never
  // less than the 5 ms that leave the teacher's programs their share of the processor.
  DWORD WaitMs(DWORD sinceGrabStartMs) const;

private:
  DWORD pause_ = kShortestPauseMs;
};
