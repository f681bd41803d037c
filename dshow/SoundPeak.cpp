#include "dshow/SoundPeak.h"

#include <ks.h>
#include <ksmedia.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace dshow {
namespace {
constexpr double kMeterFloorDbfs = -60.0;

// One sample at `p` as a fraction of full scale, sign kept.
double SampleValue(const BYTE* p, const SampleLayout& layout) {
  switch (layout.bitsPerSample) {
    case 8:
      return (static_cast<int>(p[0]) - 128) / 128.0;
    case 16: {
      int16_t v;
      std::memcpy(&v, p, sizeof(v));
      return v / 32768.0;
    }
    case 24: {
      // Little-endian, sign taken from the top byte.
      int32_t v = static_cast<int32_t>(static_cast<uint32_t>(p[0]) << 8 | static_cast<uint32_t>(p[1]) << 16 |
                                       static_cast<uint32_t>(p[2]) << 24) >> 8;
      return v / 8388608.0;
    }
    case 32: {
      if (layout.floatingPoint) {
        float f;
        std::memcpy(&f, p, sizeof(f));
        return std::isfinite(f) ? static_cast<double>(f) : 0.0;
      }
      int32_t v;
      std::memcpy(&v, p, sizeof(v));
      return v / 2147483648.0;
    }
    default:
      return 0.0;
  }
}
}  // namespace

bool LayoutOf(const WAVEFORMATEX& format, size_t formatBytes, SampleLayout* layout) {
  if (formatBytes < sizeof(WAVEFORMAT) + sizeof(WORD)) return false;
  WORD tag = format.wFormatTag;
  if (tag == WAVE_FORMAT_EXTENSIBLE) {
    if (formatBytes < sizeof(WAVEFORMATEXTENSIBLE)) return false;
    const auto& extensible = reinterpret_cast<const WAVEFORMATEXTENSIBLE&>(format);
    if (extensible.SubFormat == KSDATAFORMAT_SUBTYPE_PCM) tag = WAVE_FORMAT_PCM;
    else if (extensible.SubFormat == KSDATAFORMAT_SUBTYPE_IEEE_FLOAT) tag = WAVE_FORMAT_IEEE_FLOAT;
    else return false;
  }
  SampleLayout l;
  l.bitsPerSample = format.wBitsPerSample;
  l.floatingPoint = tag == WAVE_FORMAT_IEEE_FLOAT;
  l.channels = format.nChannels;
  l.sampleRate = static_cast<int>(format.nSamplesPerSec);
  l.blockAlign = format.nBlockAlign;
  bool knownSize = l.floatingPoint ? l.bitsPerSample == 32
                                   : (l.bitsPerSample == 8 || l.bitsPerSample == 16 || l.bitsPerSample == 24 ||
                                      l.bitsPerSample == 32);
  if ((tag != WAVE_FORMAT_PCM && tag != WAVE_FORMAT_IEEE_FLOAT) || !knownSize || l.channels < 1 ||
      l.sampleRate < 1 || l.blockAlign < l.channels * l.bitsPerSample / 8) {
    return false;
  }
  *layout = l;
  return true;
}

double PeakOf(const BYTE* data, size_t frames, const SampleLayout& layout) {
  double peak = 0.0;
  size_t bytesPerSample = static_cast<size_t>(layout.bitsPerSample / 8);
  for (size_t frame = 0; frame < frames; ++frame) {
    const BYTE* p = data + frame * static_cast<size_t>(layout.blockAlign);
    for (int channel = 0; channel < layout.channels; ++channel, p += bytesPerSample) {
      peak = std::max(peak, std::fabs(SampleValue(p, layout)));
    }
  }
  return std::min(peak, 1.0);
}

double PeakToDbfs(double peak) { return peak > 0.0 ? 20.0 * std::log10(peak) : kSilenceDbfs; }

int MeterPosition(double dbfs) {
  if (dbfs <= kMeterFloorDbfs) return 0;
  if (dbfs >= 0.0) return 100;
  return static_cast<int>(std::lround((dbfs - kMeterFloorDbfs) * 100.0 / -kMeterFloorDbfs));
}

void PeakWindow::Reset(const SampleLayout& layout) {
  layout_ = layout;
  framesPerBlock_ = std::max<size_t>(1, static_cast<size_t>(layout.sampleRate) * kBlockMs / 1000);
  framesInBlock_ = 0;
  blockPeak_ = 0.0;
  blocks_.fill(0.0);
  next_ = 0;
}

void PeakWindow::Feed(const BYTE* data, size_t bytes) {
  if (layout_.blockAlign < 1) return;
  size_t frames = bytes / static_cast<size_t>(layout_.blockAlign);
  while (frames > 0) {
    size_t take = std::min(frames, framesPerBlock_ - framesInBlock_);
    blockPeak_ = std::max(blockPeak_, PeakOf(data, take, layout_));
    data += take * static_cast<size_t>(layout_.blockAlign);
    frames -= take;
    framesInBlock_ += take;
    if (framesInBlock_ == framesPerBlock_) {
      blocks_[next_] = blockPeak_;
      next_ = (next_ + 1) % blocks_.size();
      framesInBlock_ = 0;
      blockPeak_ = 0.0;
    }
  }
}

double PeakWindow::Peak() const {
  double peak = *std::max_element(blocks_.begin(), blocks_.end());
  // A block still being filled is the newest sound: it counts too.
  return std::max(peak, blockPeak_);
}

}  // namespace dshow
