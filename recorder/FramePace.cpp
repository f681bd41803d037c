#include "recorder/FramePace.h"

void FramePace::FrameTaken(bool changed) {
  if (changed) {
    pace_ = kShortestPauseMs;
  } else if (pace_ < kLongestPauseMs) {
    pace_ = pace_ + kPauseStepMs < kLongestPauseMs ? pace_ + kPauseStepMs : kLongestPauseMs;
  }
}

DWORD FramePace::WaitMs(DWORD sinceGrabStartMs) const {
  const DWORD left = sinceGrabStartMs < pace_ ? pace_ - sinceGrabStartMs : 0;
  return left > kShortestPauseMs ? left : kShortestPauseMs;
}
