#include "recorder/FramePace.h"

void FramePace::FrameTaken(bool changed) {
  if (changed) {
    pause_ = kShortestPauseMs;
  } else if (pause_ < kLongestPauseMs) {
    pause_ = pause_ + kPauseStepMs < kLongestPauseMs ? pause_ + kPauseStepMs : kLongestPauseMs;
  }
}

DWORD FramePace::WaitMs(DWORD sinceGrabStartMs) const {
  const DWORD untilLimit = sinceGrabStartMs < kLongestPauseMs ? kLongestPauseMs - sinceGrabStartMs : 0;
  const DWORD wait = pause_ < untilLimit ? pause_ : untilLimit;
  return wait > kShortestPauseMs ? wait : kShortestPauseMs;
}
