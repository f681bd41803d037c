// The level arithmetic of the microphone meter: the peak of PCM sound as a fraction of full
// scale, its value in dBFS, and the peak over the most recent 100 ms of sound however the
// sound arrives in buffers.
#pragma once
#include <windows.h>
#include <mmreg.h>

#include <array>
#include <cstdint>
#include <cstddef>

namespace dshow {

// Full scale is 1.0; a level that is no sound at all (or below any meter) is this many dBFS.
constexpr double kSilenceDbfs = -200.0;

// The sample layout a peak can be read from: integer PCM of 8 (unsigned), 16, 24 or 32 bits, or
// 32-bit floating point, in any number of interleaved channels.
struct SampleLayout {
  int bitsPerSample = 0;
  bool floatingPoint = false;
  int channels = 0;
  int sampleRate = 0;
  int blockAlign = 0;  // bytes of one frame (one sample of every channel)
};

// The layout of a wave format, or false when its samples cannot be measured (compressed sound,
// an unknown sample size, inconsistent sizes).
bool LayoutOf(const WAVEFORMATEX& format, size_t formatBytes, SampleLayout* layout);

// The largest absolute sample of `frames` frames as a fraction of full scale (0.0 to 1.0).
double PeakOf(const BYTE* data, size_t frames, const SampleLayout& layout);

// 20 log10(peak), or kSilenceDbfs for a peak of 0.
double PeakToDbfs(double peak);

// The meter's position: 0 at -60 dBFS or less, 100 at 0 dBFS, linear in dBFS between.
int MeterPosition(double dbfs);

// The peak over the most recent 100 ms of the sound fed in: the sound is cut into 10 ms blocks
// across buffer boundaries and the largest of the last ten whole blocks is the peak.
class PeakWindow {
public:
  static constexpr int kBlockMs = 10;
  static constexpr int kBlocks = 10;

  void Reset(const SampleLayout& layout);
  // Feeds whole frames; a trailing part of a frame is ignored.
  void Feed(const BYTE* data, size_t bytes);
  // The peak of the last 100 ms of sound fed in (of fewer blocks while fewer were fed).
  double Peak() const;

private:
  SampleLayout layout_;
  size_t framesPerBlock_ = 1;
  size_t framesInBlock_ = 0;  // frames of the block being filled
  double blockPeak_ = 0.0;    // its peak so far
  std::array<double, kBlocks> blocks_{};
  size_t next_ = 0;  // slot of the next whole block
};

}  // namespace dshow
