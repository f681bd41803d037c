// Microphone silence during a recording: the peak staying below -50 dBFS for 30 s in a row is a
// muted or wrong microphone (a lecture has pauses, never 30 s of digital silence); sound for 2 s
// ends it. Fed with the microphone's peak on every tick of the status timer.
#pragma once
#include <windows.h>

class SilenceWatch {
public:
  static constexpr double kSilentBelowDbfs = -50.0;
  static constexpr ULONGLONG kSilenceMs = 30000;
  static constexpr ULONGLONG kSoundMs = 2000;
  // Shorter gaps (a breath, the pause between two words) do not interrupt returning sound.
  static constexpr ULONGLONG kGapMs = 500;

  // A new recording begins at `now`: no silence yet and no sound heard.
  void Begin(ULONGLONG now);
  // The microphone is heard again from `now` on (it was away): its silence counts anew, what it
  // heard before stays heard.
  void Resume(ULONGLONG now);
  // The peak at `now` of the sound heard in the `elapsedMs` since the reading before; times
  // never go back.
  void Update(ULONGLONG now, ULONGLONG elapsedMs, double peakDbfs);
  // Silence has lasted 30 s and no sound has lasted 2 s since.
  bool Silent() const { return silent_; }
  // Whether any sound at all was heard since Begin.
  bool HeardSound() const { return heardSound_; }

private:
  bool silent_ = false;
  bool heardSound_ = false;
  ULONGLONG silenceSince_ = 0;  // start of the present silence, valid while inSilence_
  bool inSilence_ = false;
  ULONGLONG soundSince_ = 0;  // start of the present sound, valid while inSound_
  bool inSound_ = false;
  ULONGLONG lastSound_ = 0;  // last time sound was heard
};
