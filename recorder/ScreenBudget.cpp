#include "recorder/ScreenBudget.h"

namespace {
// The credit holds at most this many seconds of the budget, and starts full, so that the first
// key frame and a slide's key frames pass as they are.
constexpr double kCreditSeconds = 0.5;
// The frames are held to a little less than the budget, so that what the credit lends (and the
// one frame that may overdraw it) is paid back within this time: no minute, the first included,
// costs more than the budget.
constexpr double kPayBackSeconds = 30;
// What "the last second" is, and how long a quality is kept at least before the next choice
// (its frames must be seen first).
constexpr DWORD kWindowMs = 1000;
constexpr DWORD kKeepLevelMs = 250;
// A written frame at the level's quality is needed for a choice; key frames tell nothing about
// what the screen's changes cost and are left out of it.
constexpr int kLeastFramesForChoice = 2;
// A higher quality is taken back when the frames are expected to cost at most this share of
// the budget there, which leaves room for the expectation to be wrong.
constexpr double kUpTarget = 0.8;
// What a step down made a delta frame cheaper by is kept within these bounds (a frame that
// costs nothing at the lower quality says little about how much it costs at the higher one).
constexpr double kLeastStepGain = 1.0;
constexpr double kMostStepGain = 16.0;
}  // namespace

ScreenBudget::ScreenBudget(double bytesPerSecond)
    : rate_(bytesPerSecond > 0 ? bytesPerSecond * (1 - kCreditSeconds / kPayBackSeconds) : 0),
      capacity_(bytesPerSecond > 0 ? bytesPerSecond * kCreditSeconds : 0),
      credit_(capacity_) {}

DWORD ScreenBudget::Quality() const { return kBudgetQualities[level_]; }

void ScreenBudget::Refill(DWORD nowMs) {
  if (!started_) {
    started_ = true;
    startMs_ = lastMs_ = levelChosenMs_ = nowMs;
  }
  credit_ += rate_ * double(nowMs - lastMs_) / 1000.0;
  if (credit_ > capacity_) credit_ = capacity_;
  lastMs_ = nowMs;
  while (!window_.empty() && nowMs - window_.front().ms >= kWindowMs) window_.pop_front();
}

void ScreenBudget::ChooseQuality(DWORD nowMs) {
  if (nowMs - levelChosenMs_ < kKeepLevelMs || window_.empty()) return;
  // What the frames offered in the last second would cost at this level if all were written:
  // the average delta frame at this level times the frames taken per second.
  uint64_t bytes = 0;
  int frames = 0;
  for (const Taken& taken : window_) {
    if (taken.written && !taken.keyFrame && taken.level == level_) {
      bytes += taken.bytes;
      ++frames;
    }
  }
  if (frames < kLeastFramesForChoice) return;
  const DWORD windowStart = nowMs - startMs_ < kWindowMs ? startMs_ : nowMs - kWindowMs;
  const double seconds = double(nowMs - windowStart) / 1000.0;
  if (seconds <= 0) return;
  const double offered = double(window_.size()) / seconds;
  const double average = double(bytes) / frames;
  const double demand = average * offered;
  // The first choice after a step down learns what the step saved.
  if (costBeforeStep_ > 0) {
    const double gain = average > 0 ? costBeforeStep_ / average : kMostStepGain;
    stepGain_[level_] = gain < kLeastStepGain ? kLeastStepGain : gain > kMostStepGain ? kMostStepGain : gain;
    costBeforeStep_ = 0;
  }
  if (demand > rate_) {
    if (level_ + 1 < kBudgetLevels) {
      costBeforeStep_ = average;
      ++level_;
      levelChosenMs_ = nowMs;
    }
    return;
  }
  // The highest quality at which the frames are expected to fit, by what the steps down saved.
  double expected = demand;
  int best = level_;
  for (int level = level_; level > 0; --level) {
    expected *= stepGain_[level];
    if (expected <= rate_ * kUpTarget) best = level - 1;
  }
  if (best != level_) {
    level_ = best;
    levelChosenMs_ = nowMs;
  }
}

bool ScreenBudget::Admits(DWORD nowMs) {
  if (!Active()) return true;
  Refill(nowMs);
  ChooseQuality(nowMs);
  Taken taken;
  taken.ms = nowMs;
  taken.level = level_;
  window_.push_back(taken);
  return credit_ > 0;
}

void ScreenBudget::Written(uint32_t bytes, bool keyFrame) {
  if (!Active() || window_.empty()) return;
  credit_ -= double(bytes);
  Taken& taken = window_.back();
  taken.written = true;
  taken.keyFrame = keyFrame;
  taken.bytes = bytes;
}
