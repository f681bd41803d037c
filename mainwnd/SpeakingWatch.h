// Sound while nothing records: a teacher who speaks into the microphone with the main window not
// in front most likely forgot to start the recording. Sound above -30 dBFS for 60 s out of the
// last 90 s calls for one reminder; after it, the next may come 10 minutes later at the earliest.
#pragma once
#include <windows.h>

#include <array>

class SpeakingWatch {
public:
  static constexpr double kSpeakingAboveDbfs = -30.0;
  static constexpr ULONGLONG kWindowMs = 90000;
  static constexpr ULONGLONG kSpeakingMs = 60000;
  static constexpr ULONGLONG kQuietPeriodMs = 10 * 60 * 1000;

  // One tick at `now`, `elapsedMs` after the one before, with the microphone's peak; `watching`
  // is false while a recording runs or the main window is in front, which forgets what was
  // heard. True when the reminder is due now.
  bool Update(ULONGLONG now, ULONGLONG elapsedMs, double peakDbfs, bool watching);

private:
  // Loud milliseconds per tenth of a second of the last 90 seconds, each slot with the tenth it
  // counts.
  static constexpr ULONGLONG kSlotMs = 100;
  struct Slot {
    ULONGLONG index = ~0ULL;
    ULONGLONG loudMs = 0;
  };
  void Forget();
  ULONGLONG LoudMsInWindow(ULONGLONG now) const;

  std::array<Slot, kWindowMs / kSlotMs> slots_{};
  bool reminded_ = false;
  ULONGLONG nextAllowed_ = 0;
};
