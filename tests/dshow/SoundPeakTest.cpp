#include "dshow/SoundPeak.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

using namespace dshow;

namespace {
constexpr double kPi = 3.14159265358979323846;

SampleLayout Layout(int bits, int channels, int rate = 44100, bool floatingPoint = false) {
  WAVEFORMATEX format{};
  format.wFormatTag = floatingPoint ? WAVE_FORMAT_IEEE_FLOAT : WAVE_FORMAT_PCM;
  format.nChannels = static_cast<WORD>(channels);
  format.nSamplesPerSec = rate;
  format.wBitsPerSample = static_cast<WORD>(bits);
  format.nBlockAlign = static_cast<WORD>(channels * bits / 8);
  format.nAvgBytesPerSec = rate * format.nBlockAlign;
  SampleLayout layout;
  EXPECT_TRUE(LayoutOf(format, sizeof(format), &layout));
  return layout;
}

// `frames` frames of a 1 kHz sine of the given amplitude (1.0 = full scale) in every channel;
// `silentChannel` (when not -1) carries silence instead.
std::vector<BYTE> Sine(const SampleLayout& layout, size_t frames, double amplitude, int silentChannel = -1) {
  std::vector<BYTE> bytes;
  for (size_t i = 0; i < frames; ++i) {
    double value = amplitude * std::sin(2 * kPi * 1000.0 * static_cast<double>(i) / layout.sampleRate);
    for (int channel = 0; channel < layout.channels; ++channel) {
      double v = channel == silentChannel ? 0.0 : value;
      switch (layout.bitsPerSample) {
        case 8:
          bytes.push_back(static_cast<BYTE>(std::lround(std::min(v * 128.0 + 128.0, 255.0))));
          break;
        case 16: {
          auto s = static_cast<int16_t>(std::lround(std::min(v * 32768.0, 32767.0)));
          bytes.push_back(static_cast<BYTE>(s));
          bytes.push_back(static_cast<BYTE>(s >> 8));
          break;
        }
        case 24: {
          auto s = static_cast<int32_t>(std::lround(std::min(v * 8388608.0, 8388607.0)));
          for (int b = 0; b < 3; ++b) bytes.push_back(static_cast<BYTE>(s >> (8 * b)));
          break;
        }
        case 32: {
          float f = static_cast<float>(v);
          const BYTE* p = reinterpret_cast<const BYTE*>(&f);
          bytes.insert(bytes.end(), p, p + 4);
          break;
        }
      }
    }
  }
  return bytes;
}

double PeakDbfs(const SampleLayout& layout, const std::vector<BYTE>& bytes) {
  return PeakToDbfs(PeakOf(bytes.data(), bytes.size() / layout.blockAlign, layout));
}
}  // namespace

TEST(SoundPeak, FullScaleSineIsZeroDbfsAndSilenceIsTheBottomInEveryLayout) {
  struct Case {
    int bits, channels;
    bool floatingPoint;
  } cases[] = {{16, 1, false}, {16, 2, false}, {8, 1, false}, {8, 2, false}, {24, 2, false}, {32, 1, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.bits << " bits, " << c.channels << " channels");
    SampleLayout layout = Layout(c.bits, c.channels, 44100, c.floatingPoint);
    double loud = PeakDbfs(layout, Sine(layout, 4410, 1.0));
    EXPECT_NEAR(loud, 0.0, 0.1);
    EXPECT_EQ(MeterPosition(loud), 100);
    double half = PeakDbfs(layout, Sine(layout, 4410, 0.5));
    EXPECT_NEAR(half, -6.02, 0.2);
    double silence = PeakDbfs(layout, Sine(layout, 4410, 0.0));
    EXPECT_LE(silence, -60.0);
    EXPECT_EQ(MeterPosition(silence), 0);
  }
}

TEST(SoundPeak, EachChannelCountsSoOneLoudChannelIsLoud) {
  SampleLayout layout = Layout(16, 2);
  EXPECT_NEAR(PeakDbfs(layout, Sine(layout, 4410, 1.0, 0)), 0.0, 0.1);
  EXPECT_NEAR(PeakDbfs(layout, Sine(layout, 4410, 1.0, 1)), 0.0, 0.1);
}

TEST(SoundPeak, TheMostNegativeSampleIsFullScaleNotBeyond) {
  SampleLayout layout = Layout(16, 1);
  const BYTE lowest[] = {0x00, 0x80};  // -32768
  EXPECT_DOUBLE_EQ(PeakOf(lowest, 1, layout), 1.0);
  SampleLayout eight = Layout(8, 1);
  const BYTE zero = 0;  // the lowest 8-bit value
  EXPECT_DOUBLE_EQ(PeakOf(&zero, 1, eight), 1.0);
}

TEST(SoundPeak, MeterIsLinearInDbfsFromMinusSixtyToZero) {
  EXPECT_EQ(MeterPosition(-200.0), 0);
  EXPECT_EQ(MeterPosition(-60.0), 0);
  EXPECT_EQ(MeterPosition(-59.4), 1);
  EXPECT_EQ(MeterPosition(-30.0), 50);
  EXPECT_EQ(MeterPosition(-6.0), 90);
  EXPECT_EQ(MeterPosition(0.0), 100);
  EXPECT_EQ(MeterPosition(3.0), 100);
  EXPECT_EQ(PeakToDbfs(0.0), kSilenceDbfs);
}

TEST(SoundPeak, SoundThatCannotBeMeasuredHasNoLayout) {
  WAVEFORMATEX format{};
  format.wFormatTag = WAVE_FORMAT_PCM;
  format.nChannels = 2;
  format.nSamplesPerSec = 44100;
  format.wBitsPerSample = 16;
  format.nBlockAlign = 4;
  SampleLayout layout;
  EXPECT_TRUE(LayoutOf(format, sizeof(format), &layout));
  EXPECT_FALSE(LayoutOf(format, 8, &layout)) << "a format block too short to read";
  WAVEFORMATEX compressed = format;
  compressed.wFormatTag = 0x0055;  // MPEG layer 3
  EXPECT_FALSE(LayoutOf(compressed, sizeof(compressed), &layout));
  WAVEFORMATEX torn = format;
  torn.nBlockAlign = 3;  // smaller than two 16-bit samples
  EXPECT_FALSE(LayoutOf(torn, sizeof(torn), &layout));
  WAVEFORMATEX twelve = format;
  twelve.wBitsPerSample = 12;
  EXPECT_FALSE(LayoutOf(twelve, sizeof(twelve), &layout));
  WAVEFORMATEX none = format;
  none.nChannels = 0;
  EXPECT_FALSE(LayoutOf(none, sizeof(none), &layout));
}

TEST(SoundPeak, WindowHoldsAPeakFor100MsOfSoundWhateverTheBufferSizes) {
  SampleLayout layout = Layout(16, 1, 22050);
  constexpr size_t kBlock = 220;                     // 10 ms
  std::vector<BYTE> burst = Sine(layout, kBlock, 1.0);
  std::vector<BYTE> quiet = Sine(layout, 22050, 0.0);  // one second of silence
  for (size_t chunk : {size_t(7), size_t(441), size_t(1103), size_t(22050)}) {
    SCOPED_TRACE(chunk);
    PeakWindow window;
    window.Reset(layout);
    window.Feed(burst.data(), burst.size());
    // Silence in buffers of `chunk` frames: the burst stays in the peak for 100 ms, then goes.
    size_t fedFrames = 0, heldUntil = 0, goneAt = 0;
    for (size_t at = 0; at < quiet.size(); at += chunk * 2) {
      size_t bytes = std::min(chunk * 2, quiet.size() - at);
      window.Feed(quiet.data() + at, bytes);
      fedFrames += bytes / 2;
      if (window.Peak() > 0.9) heldUntil = fedFrames;
      if (window.Peak() == 0.0 && !goneAt) goneAt = fedFrames;
    }
    if (chunk < 10 * kBlock) {
      EXPECT_GE(heldUntil + chunk, 9 * kBlock) << "the burst left the peak before 90 ms";
      EXPECT_LE(goneAt, 10 * kBlock + chunk) << "the burst stayed beyond 100 ms";
    }
    EXPECT_EQ(window.Peak(), 0.0) << "the burst is more than 100 ms ago";
  }
}

TEST(SoundPeak, WindowIgnoresATrailingPartOfAFrame) {
  SampleLayout layout = Layout(16, 2);
  PeakWindow window;
  window.Reset(layout);
  const BYTE partial[] = {0xFF, 0x7F, 0xFF};  // one loud sample, then half of the next
  window.Feed(partial, sizeof(partial));
  EXPECT_EQ(window.Peak(), 0.0) << "a frame needs both channels";
  const BYTE whole[] = {0xFF, 0x7F, 0x00, 0x00};
  window.Feed(whole, sizeof(whole));
  EXPECT_NEAR(window.Peak(), 1.0, 0.001);
}
