#include "recorder/PauseClock.h"

#include "recorder/Clock.h"

namespace {
// How often a paused capture looks whether it may go on.
constexpr DWORD kPausedLookMs = 5;
}  // namespace

void PauseClock::Pause(DWORD now) {
  std::lock_guard<std::mutex> hold(lock_);
  if (paused_) return;
  paused_ = true;
  pausedAt_ = now;
}

void PauseClock::Resume(DWORD now) {
  std::lock_guard<std::mutex> hold(lock_);
  if (!paused_) return;
  paused_ = false;
  // Unsigned: the millisecond clock may wrap during a pause.
  pausedBefore_ += static_cast<DWORD>(now - pausedAt_);
}

bool PauseClock::Paused() const {
  std::lock_guard<std::mutex> hold(lock_);
  return paused_;
}

uint64_t PauseClock::PausedMs(DWORD now) const {
  std::lock_guard<std::mutex> hold(lock_);
  return pausedBefore_ + (paused_ ? static_cast<DWORD>(now - pausedAt_) : 0);
}

DWORD PauseClock::RecordedMs(DWORD start, uint64_t pausedAtStart, DWORD now) const {
  // Unsigned millisecond arithmetic, as the clock itself wraps.
  return static_cast<DWORD>(now - start) - static_cast<DWORD>(PausedMs(now) - pausedAtStart);
}

bool PauseClock::WaitWhilePaused(const std::atomic<int>& recording) const {
  bool waited = false;
  while (Paused() && recording.load() == 1) {
    RecorderSleep(kPausedLookMs);
    waited = true;
  }
  return waited;
}
