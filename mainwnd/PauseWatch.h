// What a paused recording reminds the teacher of: every 5 minutes of pause that it is paused,
// and, when the microphone hears sound above -30 dBFS for 20 s of the pause (speech has gaps, so
// the loud time is added up), that the teacher speaks while nothing records. Fed on every tick
// of the status timer while paused; a reminder that cannot be shown yet stays due.
#pragma once
#include <windows.h>

class PauseWatch {
public:
  static constexpr ULONGLONG kReminderEveryMs = 5 * 60 * 1000;
  static constexpr double kSpeakingAboveDbfs = -30.0;
  static constexpr ULONGLONG kSpeakingMs = 20000;

  // A pause begins: nothing reminded and nothing heard yet.
  void Begin();
  // The whole minutes of pause that the reminder due at `pausedMs` of pause tells (5, 10, ...),
  // or 0 when none is due. Reminded() marks it given.
  ULONGLONG ReminderMinutes(ULONGLONG pausedMs) const;
  void Reminded(ULONGLONG pausedMs);
  // Adds a tick of `elapsedMs` with the microphone's peak; true once the loud time of the pause
  // reaches 20 s. Spoken() starts the count again.
  bool Hear(ULONGLONG elapsedMs, double peakDbfs);
  void Spoken() { loudMs_ = 0; }

private:
  ULONGLONG remindedUpTo_ = 0;  // the pause time of the last reminder given
  ULONGLONG loudMs_ = 0;
};
