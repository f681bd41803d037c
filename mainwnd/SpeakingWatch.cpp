#include "mainwnd/SpeakingWatch.h"

#include <algorithm>

namespace {
// A tick longer than this (the program was held up) counts as this much sound at most.
constexpr ULONGLONG kLongestTickMs = 1000;
}  // namespace

void SpeakingWatch::Forget() { slots_.fill(Slot()); }

ULONGLONG SpeakingWatch::LoudMsInWindow(ULONGLONG now) const {
  ULONGLONG current = now / kSlotMs;
  ULONGLONG total = 0;
  for (const Slot& slot : slots_) {
    if (slot.index <= current && current - slot.index < slots_.size()) total += slot.loudMs;
  }
  return total;
}

bool SpeakingWatch::Update(ULONGLONG now, ULONGLONG elapsedMs, double peakDbfs, bool watching) {
  if (!watching) {
    Forget();
    return false;
  }
  if (peakDbfs > kSpeakingAboveDbfs) {
    Slot& slot = slots_[(now / kSlotMs) % slots_.size()];
    if (slot.index != now / kSlotMs) slot = Slot{now / kSlotMs, 0};
    slot.loudMs += std::min(elapsedMs, kLongestTickMs);
  }
  if (LoudMsInWindow(now) < kSpeakingMs || (reminded_ && now < nextAllowed_)) return false;
  reminded_ = true;
  nextAllowed_ = now + kQuietPeriodMs;
  Forget();
  return true;
}
