#include "dshow/LevelMeterFilter.h"

#include <uuids.h>

#include <algorithm>

namespace dshow {
namespace {
// The sample layout of an audio media type, or false when its samples cannot be measured.
bool MeasurableLayout(const AM_MEDIA_TYPE& mt, SampleLayout* layout) {
  if (mt.majortype != MEDIATYPE_Audio || mt.formattype != FORMAT_WaveFormatEx || !mt.pbFormat) return false;
  return LayoutOf(*reinterpret_cast<const WAVEFORMATEX*>(mt.pbFormat), mt.cbFormat, layout);
}
}  // namespace

LevelMeterFilter::LevelMeterFilter(std::shared_ptr<SoundLevelTap> tap)
    : PassThroughFilter(CLSID_LevelMeter, L"In", L"Out"), tap_(std::move(tap)) {}

bool LevelMeterFilter::AcceptsInput(const AM_MEDIA_TYPE& mt) {
  // Any sound passes; only sound of a known sample layout is measured.
  return mt.majortype == MEDIATYPE_Audio;
}

HRESULT LevelMeterFilter::OnActivate() {
  SampleLayout layout;
  measurable_ = Input().IsConnected() && MeasurableLayout(Input().ConnectedType().Get(), &layout);
  if (measurable_) window_.Reset(layout);
  return S_OK;
}

void LevelMeterFilter::Process(IMediaSample* sample) {
  // A sample may announce a new format; measuring goes on in it when it can be read.
  AM_MEDIA_TYPE* changed = nullptr;
  if (sample->GetMediaType(&changed) == S_OK && changed) {
    SampleLayout layout;
    measurable_ = MeasurableLayout(*changed, &layout);
    if (measurable_) window_.Reset(layout);
    DeleteMediaTypeCopy(changed);
  }
  BYTE* data = nullptr;
  long length = sample->GetActualDataLength();
  if (!measurable_ || FAILED(sample->GetPointer(&data)) || !data || length <= 0) return;
  window_.Feed(data, static_cast<size_t>(std::min(length, sample->GetSize())));
  tap_->Publish(window_.Peak());
}

}  // namespace dshow
