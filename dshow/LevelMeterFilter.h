// The microphone meter: a pass-through filter in the sound's path that measures the peak of the
// last 100 ms of every sound buffer going by and hands it to the window's thread through a
// SoundLevelTap. The sound itself passes unchanged; with the output unconnected the meter is
// the end of its stream (the preview, which records nothing).
#pragma once
#include <memory>

#include "dshow/PassThrough.h"
#include "dshow/SoundLevelTap.h"
#include "dshow/SoundPeak.h"

namespace dshow {

// {F615264F-E18F-4E6C-96BB-409A21D5F8CE}
constexpr CLSID CLSID_LevelMeter = {
    0xF615264F, 0xE18F, 0x4E6C, {0x96, 0xBB, 0x40, 0x9A, 0x21, 0xD5, 0xF8, 0xCE}};

class LevelMeterFilter : public PassThroughFilter {
public:
  explicit LevelMeterFilter(std::shared_ptr<SoundLevelTap> tap);

  bool AcceptsInput(const AM_MEDIA_TYPE& mt) override;
  void Process(IMediaSample* sample) override;

protected:
  HRESULT OnActivate() override;

private:
  std::shared_ptr<SoundLevelTap> tap_;
  // Streaming state: set while the filter is stopped, used by the streaming thread only.
  bool measurable_ = false;
  PeakWindow window_;
};

}  // namespace dshow
