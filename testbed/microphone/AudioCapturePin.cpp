#include "testbed/microphone/AudioCapturePin.h"

#include <cstring>

#include <uuids.h>

#include "testbed/microphone/MicrophoneSwitch.h"
#include "testbed/microphone/Tone.h"

namespace testbed {
namespace {

struct PcmFormat {
  int rate, channels, bits;
};
const PcmFormat kFormats[] = {{44100, 2, 16}, {22050, 2, 16}, {44100, 1, 16},
                              {22050, 1, 16}, {44100, 2, 8},  {22050, 2, 8}};

const WAVEFORMATEX* WaveHeader(const AM_MEDIA_TYPE& mt) {
  if (mt.formattype != FORMAT_WaveFormatEx || mt.cbFormat < sizeof(WAVEFORMAT) || !mt.pbFormat)
    return nullptr;
  return reinterpret_cast<const WAVEFORMATEX*>(mt.pbFormat);
}

}  // namespace

AudioCapturePin::AudioCapturePin(CaptureFilter* filter, const wchar_t* name)
    : CapturePin(filter, name, PIN_CATEGORY_CAPTURE) {}

std::vector<MediaType> AudioCapturePin::Capabilities() {
  std::vector<MediaType> types;
  for (const PcmFormat& f : kFormats) types.push_back(MediaType::Pcm(f.rate, f.channels, f.bits));
  return types;
}

void AudioCapturePin::FillCaps(int index, BYTE* caps) {
  const PcmFormat& f = kFormats[index];
  AUDIO_STREAM_CONFIG_CAPS c{};
  c.guid = MEDIATYPE_Audio;
  c.MinimumChannels = c.MaximumChannels = f.channels;
  c.ChannelsGranularity = 1;
  c.MinimumBitsPerSample = c.MaximumBitsPerSample = f.bits;
  c.BitsPerSampleGranularity = 8;
  c.MinimumSampleFrequency = c.MaximumSampleFrequency = f.rate;
  c.SampleFrequencyGranularity = 1;
  std::memcpy(caps, &c, sizeof(c));
}

bool AudioCapturePin::CanProduce(const AM_MEDIA_TYPE& mt) {
  const WAVEFORMATEX* wf = WaveHeader(mt);
  if (mt.majortype != MEDIATYPE_Audio || mt.subtype != MEDIASUBTYPE_PCM || !wf) return false;
  if (wf->wFormatTag != WAVE_FORMAT_PCM) return false;
  for (const PcmFormat& f : kFormats) {
    if (static_cast<int>(wf->nSamplesPerSec) == f.rate && wf->nChannels == f.channels &&
        wf->wBitsPerSample == f.bits && wf->nBlockAlign == f.channels * f.bits / 8 &&
        static_cast<int>(wf->nAvgBytesPerSec) == f.rate * wf->nBlockAlign)
      return true;
  }
  return false;
}

bool AudioCapturePin::SamePictureOrSound(const AM_MEDIA_TYPE& a, const AM_MEDIA_TYPE& b) {
  const WAVEFORMATEX* wa = WaveHeader(a);
  const WAVEFORMATEX* wb = WaveHeader(b);
  // Sound has no rate that could change under a running connection.
  return wa && wb && std::memcmp(wa, wb, sizeof(WAVEFORMAT)) == 0 &&
         wa->wBitsPerSample == wb->wBitsPerSample;
}

void AudioCapturePin::DecideBufferSize(ALLOCATOR_PROPERTIES& props) {
  const WAVEFORMATEX* wf = WaveHeader(ConnectedType().Get());
  long bytes = wf ? static_cast<long>(wf->nSamplesPerSec * kBufferMs / 1000 * wf->nBlockAlign) : 8820;
  if (props.cBuffers < 8) props.cBuffers = 8;
  if (props.cbBuffer < bytes) props.cbBuffer = bytes;
}

void AudioCapturePin::BeginStreaming(const MediaType& type) {
  const WAVEFORMATEX* wf = type.Wave();
  if (wf) format_ = *wf;
  format_.cbSize = 0;
  framesPerBuffer_ = static_cast<int>(format_.nSamplesPerSec * kBufferMs / 1000);
  position_ = 0;
}

REFERENCE_TIME AudioCapturePin::NextSample(REFERENCE_TIME now, REFERENCE_TIME* start, REFERENCE_TIME* stop) {
  int64_t rate = format_.nSamplesPerSec;
  // After a pause the device goes on at the present time instead of catching up in a burst.
  int64_t nowFrame = now * rate / 10000000;
  if (nowFrame - position_ > 2 * framesPerBuffer_) position_ = nowFrame - framesPerBuffer_;
  *start = position_ * 10000000 / rate;
  *stop = (position_ + framesPerBuffer_) * 10000000 / rate;
  return *stop;  // a buffer is full once its last sample has been "heard"
}

HRESULT AudioCapturePin::FillSample(IMediaSample* sample, REFERENCE_TIME, REFERENCE_TIME) {
  BYTE* data = nullptr;
  long bytes = framesPerBuffer_ * format_.nBlockAlign;
  if (FAILED(sample->GetPointer(&data)) || sample->GetSize() < bytes) return E_FAIL;
  if (MicrophoneSilenced()) {
    // Digital silence: the middle value of unsigned 8-bit samples, zero of signed 16-bit ones.
    std::memset(data, format_.wBitsPerSample == 8 ? 0x80 : 0, static_cast<size_t>(bytes));
  } else {
    FillTone(position_, framesPerBuffer_, format_.nSamplesPerSec, format_.nChannels,
             format_.wBitsPerSample, data);
  }
  sample->SetActualDataLength(bytes);
  position_ += framesPerBuffer_;
  return S_OK;
}

}  // namespace testbed
