// Holds the screen recording to a data rate while the screen keeps changing, decided frame by
// frame from what the last second cost:
// - Each frame's quality: the capture's 8000 as long as the frames the screen offers fit the
//   budget; one step lower at a time (below 7000 the encoder chooses each block's code by rate
//   and distortion) while they would cost more. Each step learns how much cheaper it made the
//   frames, and the quality goes back up, straight to 8000 where it can, as soon as the frames
//   are expected to fit there by those savings (a slide after a film).
// - A credit of bytes that fills at the budget's rate (a little less, see ScreenBudget.cpp) up to
//   half a second's worth: a frame taken while the credit is spent is left out, its position
//   stays empty as for any frame the machine was too slow to take. No quality brings a whole
//   changing screen within a small budget (even the cheapest code costs 2 bytes a block), so this
//   is what keeps any stretch of seconds within it.
// Slides and typing with the pointer cost far less than the budget: they keep 8000 and every
// frame. A page scrolled without a stop costs more than a film and is held to the budget too.
#pragma once
#include <windows.h>
#include <cstdint>
#include <deque>

// The qualities the budget steps through, from the capture's own down to the lowest.
constexpr DWORD kBudgetQualities[] = {8000, 6000, 4000, 2000, 0};
constexpr int kBudgetLevels = sizeof(kBudgetQualities) / sizeof(kBudgetQualities[0]);

class ScreenBudget {
public:
  // `bytesPerSecond`: what the compressed pictures may cost (PictureBudget); 0: no budget (every
  // frame is written at 8000).
  explicit ScreenBudget(double bytesPerSecond);

  bool Active() const { return rate_ > 0; }
  // Asked once for every frame taken, at `nowMs` of the recording's clock: whether it may be
  // written. After true, Written tells what it cost.
  bool Admits(DWORD nowMs);
  // The quality to compress the admitted frame at.
  DWORD Quality() const;
  void Written(uint32_t bytes, bool keyFrame);

private:
  struct Taken {
    DWORD ms = 0;
    int level = 0;
    bool written = false;
    bool keyFrame = false;
    uint32_t bytes = 0;
  };
  void Refill(DWORD nowMs);
  void ChooseQuality(DWORD nowMs);

  double rate_;
  double capacity_;
  double credit_;
  bool started_ = false;
  DWORD startMs_ = 0;
  DWORD lastMs_ = 0;
  int level_ = 0;           // index into the qualities, 0 = the capture's 8000
  DWORD levelChosenMs_ = 0;  // when the level was last changed
  std::deque<Taken> window_;  // the frames taken in the last second
  double costBeforeStep_ = 0;  // a delta frame's bytes at the level before the last step down
  // How many times cheaper a delta frame got by the step down to each level, as last measured
  // (always before the level is left upwards).
  double stepGain_[kBudgetLevels] = {1, 1, 1, 1, 1};
};
