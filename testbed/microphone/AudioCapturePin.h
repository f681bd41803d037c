// The test microphone's capture pin: PCM stereo or mono, 16 or 8 bits, at 44100 or 22050 Hz,
// delivered in buffers of 50 ms once each buffer's time has passed on the graph clock.
#pragma once
#include "testbed/com/CapturePin.h"

namespace testbed {

class AudioCapturePin : public CapturePin {
public:
  static constexpr int kBufferMs = 50;

  AudioCapturePin(CaptureFilter* filter, const wchar_t* name);

protected:
  std::vector<MediaType> Capabilities() override;
  int CapsSize() override { return sizeof(AUDIO_STREAM_CONFIG_CAPS); }
  void FillCaps(int index, BYTE* caps) override;
  bool CanProduce(const AM_MEDIA_TYPE& mt) override;
  bool SamePictureOrSound(const AM_MEDIA_TYPE& a, const AM_MEDIA_TYPE& b) override;
  void DecideBufferSize(ALLOCATOR_PROPERTIES& props) override;

  void BeginStreaming(const MediaType& type) override;
  REFERENCE_TIME NextSample(REFERENCE_TIME now, REFERENCE_TIME* start, REFERENCE_TIME* stop) override;
  HRESULT FillSample(IMediaSample* sample, REFERENCE_TIME start, REFERENCE_TIME stop) override;

private:
  // Streaming state, used by the streaming thread only.
  WAVEFORMATEX format_{};
  int framesPerBuffer_ = 0;
  int64_t position_ = 0;  // sample frames delivered since the stream began
};

}  // namespace testbed
