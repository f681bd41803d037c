#include "mainwnd/SilenceWatch.h"

void SilenceWatch::Begin(ULONGLONG now) {
  *this = SilenceWatch();
  inSilence_ = true;
  silenceSince_ = now;
}

void SilenceWatch::Resume(ULONGLONG now) {
  silent_ = false;
  inSound_ = false;
  inSilence_ = true;
  silenceSince_ = now;
}

void SilenceWatch::Update(ULONGLONG now, ULONGLONG elapsedMs, double peakDbfs) {
  // A reading tells of the sound since the reading before, so a sound or a silence it begins
  // began that long ago.
  ULONGLONG since = now - elapsedMs;
  if (peakDbfs >= kSilentBelowDbfs) {
    heardSound_ = true;
    // Any sound breaks the silence: only an uninterrupted silence counts.
    inSilence_ = false;
    if (!inSound_) {
      inSound_ = true;
      soundSince_ = since;
    }
    lastSound_ = now;
    if (silent_ && now - soundSince_ >= kSoundMs) silent_ = false;
    return;
  }
  if (inSound_ && now - lastSound_ > kGapMs) inSound_ = false;
  if (!inSilence_) {
    inSilence_ = true;
    silenceSince_ = since;
  }
  if (now - silenceSince_ >= kSilenceMs) silent_ = true;
}
