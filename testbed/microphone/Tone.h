// The test microphone's sound: a 440 Hz tone at half of full scale that pauses for the last
// tenth of every second, so that a recording's sound can be heard, measured and counted.
#pragma once
#include <cstdint>

namespace testbed {

constexpr double kToneHz = 440.0;
constexpr double kToneAmplitude = 0.5;
constexpr int kPauseMsPerSecond = 100;

// Sample `frame` (counted from the start of the stream) at `sampleRate`, as 16-bit PCM.
int16_t ToneSample(int64_t frame, int sampleRate);

// Fills `frames` interleaved frames of `channels` 16- or 8-bit samples from `firstFrame` on.
void FillTone(int64_t firstFrame, int frames, int sampleRate, int channels, int bitsPerSample,
              uint8_t* out);

}  // namespace testbed
