#include "mainwnd/RecordingPauses.h"

void RecordingPauses::Begin(ULONGLONG now) {
  startedAt_ = now;
  pausedBefore_ = 0;
  pausedAt_ = 0;
  paused_ = false;
  ended_.clear();
}

bool RecordingPauses::Pause(ULONGLONG now) {
  if (paused_) return false;
  pausedAt_ = now;
  paused_ = true;
  return true;
}

bool RecordingPauses::Resume(ULONGLONG now) {
  if (!paused_) return false;
  ended_.push_back({RecordedMs(pausedAt_), Since(pausedAt_, now)});
  pausedBefore_ += Since(pausedAt_, now);
  paused_ = false;
  return true;
}

ULONGLONG RecordingPauses::PausedMs(ULONGLONG now) const { return pausedBefore_ + CurrentPauseMs(now); }

ULONGLONG RecordingPauses::CurrentPauseMs(ULONGLONG now) const { return paused_ ? Since(pausedAt_, now) : 0; }

ULONGLONG RecordingPauses::RecordedMs(ULONGLONG now) const {
  // While paused the recorded time is that at the pause's beginning.
  ULONGLONG until = paused_ ? pausedAt_ : now;
  ULONGLONG total = Since(startedAt_, until);
  return total > pausedBefore_ ? total - pausedBefore_ : 0;
}

std::vector<RecordingPause> RecordingPauses::List(ULONGLONG now) const {
  std::vector<RecordingPause> pauses = ended_;
  if (paused_) pauses.push_back({RecordedMs(now), CurrentPauseMs(now), true});
  return pauses;
}
