#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "testbed/microphone/Tone.h"

using testbed::FillTone;
using testbed::ToneSample;

TEST(Tone, PlaysFor900MsThenPausesEverySecond) {
  const int rate = 22050;
  int crossings = 0, peak = 0;
  for (int64_t i = 1; i < rate * 9 / 10; ++i) {
    int a = ToneSample(i - 1, rate), b = ToneSample(i, rate);
    crossings += (a < 0) != (b < 0);
    peak = std::max(peak, std::abs(b));
  }
  // 440 Hz crosses zero twice a period: 792 times in 0.9 s.
  EXPECT_NEAR(crossings, 792, 4);
  EXPECT_NEAR(peak, 16384, 10);
  for (int64_t second : {0, 1, 7})
    for (int64_t i = rate * 9 / 10; i < rate; ++i) ASSERT_EQ(ToneSample(second * rate + i, rate), 0);
  EXPECT_NE(ToneSample(rate + 5, rate), 0);  // the next second sounds again
}

TEST(Tone, FillsEveryChannelAndBothSampleSizes) {
  std::vector<uint8_t> stereo16(100 * 4);
  FillTone(1000, 100, 44100, 2, 16, stereo16.data());
  for (int i = 0; i < 100; ++i) {
    int16_t left = static_cast<int16_t>(stereo16[i * 4] | (stereo16[i * 4 + 1] << 8));
    int16_t right = static_cast<int16_t>(stereo16[i * 4 + 2] | (stereo16[i * 4 + 3] << 8));
    ASSERT_EQ(left, ToneSample(1000 + i, 44100));
    ASSERT_EQ(right, left);
  }
  std::vector<uint8_t> mono8(100);
  FillTone(1000, 100, 44100, 1, 8, mono8.data());
  for (int i = 0; i < 100; ++i) ASSERT_EQ(mono8[i], (ToneSample(1000 + i, 44100) >> 8) + 128);
}
