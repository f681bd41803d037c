// The pauses of one recording on the recorder's clock. The host's thread pauses and resumes
// (_OnPause@4); the capture thread asks how much paused time lies behind a moment, so that the
// frame positions leave the paused time out and the picture after a resume follows the one before
// it. The times are those of the host's calls, not of the loop's next look, so that a pause shorter
// than a step of the loop is left out exactly as the camera's recording leaves it out.
#pragma once
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <mutex>

class PauseClock {
public:
  // Pauses at `now`; nothing when paused already.
  void Pause(DWORD now);
  // Resumes at `now`; nothing when not paused.
  void Resume(DWORD now);
  bool Paused() const;
  // Paused milliseconds from the recording's start up to `now`, the pause that lasts included.
  uint64_t PausedMs(DWORD now) const;
  // The milliseconds recorded from `start` to `now` without the time paused between them;
  // `pausedAtStart` is PausedMs(start).
  DWORD RecordedMs(DWORD start, uint64_t pausedAtStart, DWORD now) const;
  // Waits while the recording is paused and `recording` still 1, in short sleeps so that a
  // resume or a stop is taken at once; true when it waited.
  bool WaitWhilePaused(const std::atomic<int>& recording) const;

private:
  mutable std::mutex lock_;
  bool paused_ = false;
  DWORD pausedAt_ = 0;
  uint64_t pausedBefore_ = 0;
};
