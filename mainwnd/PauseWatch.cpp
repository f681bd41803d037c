#include "mainwnd/PauseWatch.h"

#include <algorithm>

namespace {
// A tick longer than this (the program was held up) counts as this much sound at most.
constexpr ULONGLONG kLongestTickMs = 1000;
}  // namespace

void PauseWatch::Begin() {
  remindedUpTo_ = 0;
  loudMs_ = 0;
}

ULONGLONG PauseWatch::ReminderMinutes(ULONGLONG pausedMs) const {
  ULONGLONG due = pausedMs / kReminderEveryMs * kReminderEveryMs;
  if (due == 0 || due <= remindedUpTo_) return 0;
  return due / 60000;
}

void PauseWatch::Reminded(ULONGLONG pausedMs) { remindedUpTo_ = pausedMs / kReminderEveryMs * kReminderEveryMs; }

bool PauseWatch::Hear(ULONGLONG elapsedMs, double peakDbfs) {
  if (peakDbfs > kSpeakingAboveDbfs) loudMs_ += std::min(elapsedMs, kLongestTickMs);
  return loudMs_ >= kSpeakingMs;
}
