#include "testbed/microphone/Tone.h"

#include <cmath>

namespace testbed {

int16_t ToneSample(int64_t frame, int sampleRate) {
  int64_t inSecond = frame % sampleRate;
  if (inSecond >= static_cast<int64_t>(sampleRate) * (1000 - kPauseMsPerSecond) / 1000) return 0;
  const double pi = 3.14159265358979323846;
  double phase = 2.0 * pi * kToneHz * static_cast<double>(frame) / sampleRate;
  return static_cast<int16_t>(std::lround(std::sin(phase) * kToneAmplitude * 32767.0));
}

void FillTone(int64_t firstFrame, int frames, int sampleRate, int channels, int bitsPerSample,
              uint8_t* out) {
  for (int i = 0; i < frames; ++i) {
    int16_t s = ToneSample(firstFrame + i, sampleRate);
    for (int c = 0; c < channels; ++c) {
      if (bitsPerSample == 8) {
        *out++ = static_cast<uint8_t>((s >> 8) + 128);
      } else {
        *out++ = static_cast<uint8_t>(s);
        *out++ = static_cast<uint8_t>(s >> 8);
      }
    }
  }
}

}  // namespace testbed
