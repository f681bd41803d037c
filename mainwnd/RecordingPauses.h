// The pauses of one recording, on the tick clock of the window's thread: whether it is paused,
// how much time it has recorded without the pauses, and where each pause lies on the recording's
// own time axis (the time the files hold), for the title, time.ini and the course page.
#pragma once
#include "lessons/PausesScript.h"

#include <windows.h>

#include <vector>

class RecordingPauses {
public:
  // A recording starts at `now`: it records, with no pause yet.
  void Begin(ULONGLONG now);
  // The recording pauses at `now`; false when it is paused already.
  bool Pause(ULONGLONG now);
  // The recording goes on at `now`; false when it is not paused.
  bool Resume(ULONGLONG now);
  bool Paused() const { return paused_; }

  // Time recorded up to `now` without the pauses; it stands still while paused.
  ULONGLONG RecordedMs(ULONGLONG now) const;
  // Time spent paused up to `now`, the pause that lasts included.
  ULONGLONG PausedMs(ULONGLONG now) const;
  // How long the pause that lasts has lasted at `now`; 0 while recording.
  ULONGLONG CurrentPauseMs(ULONGLONG now) const;
  // The pauses so far, the one that lasts marked so, with its length up to `now`.
  std::vector<RecordingPause> List(ULONGLONG now) const;

private:
  // A clock read before the start or before the pause (it never should be) counts as no time.
  static ULONGLONG Since(ULONGLONG from, ULONGLONG now) { return now > from ? now - from : 0; }

  ULONGLONG startedAt_ = 0;
  ULONGLONG pausedBefore_ = 0;  // the ended pauses' time
  ULONGLONG pausedAt_ = 0;      // valid while paused_
  bool paused_ = false;
  std::vector<RecordingPause> ended_;
};
