// A test camera's output pin: RGB24, RGB32 and RGB555 at 640 x 480 and 320 x 240, 2 to 30
// frames a second, each frame drawn by the test pattern at its capture time.
#pragma once
#include <memory>
#include <string>

#include "testbed/camera/TestPattern.h"
#include "testbed/com/CapturePin.h"

namespace testbed {

struct CameraModel {
  const wchar_t* name;
  const char* device;     // its unplug switch (testbed/devices/DevicePresence.h)
  bool mirrored;          // bars in reverse order
  int defaultWidth;       // the size of the default capability
  int defaultHeight;
};

class VideoCapturePin : public CapturePin {
public:
  static constexpr REFERENCE_TIME kMinFrameTime = 333333;     // 30 frames a second
  static constexpr REFERENCE_TIME kMaxFrameTime = 5000000;    // 2 frames a second
  static constexpr REFERENCE_TIME kDefaultFrameTime = 333333;

  VideoCapturePin(CaptureFilter* filter, const wchar_t* name, const GUID& category, const CameraModel& model);

protected:
  std::vector<MediaType> Capabilities() override;
  int CapsSize() override { return sizeof(VIDEO_STREAM_CONFIG_CAPS); }
  void FillCaps(int index, BYTE* caps) override;
  bool CanProduce(const AM_MEDIA_TYPE& mt) override;
  bool SamePictureOrSound(const AM_MEDIA_TYPE& a, const AM_MEDIA_TYPE& b) override;
  void DecideBufferSize(ALLOCATOR_PROPERTIES& props) override;

  void BeginStreaming(const MediaType& type) override;
  void EndStreaming() override;
  REFERENCE_TIME NextSample(REFERENCE_TIME now, REFERENCE_TIME* start, REFERENCE_TIME* stop) override;
  HRESULT FillSample(IMediaSample* sample, REFERENCE_TIME start, REFERENCE_TIME stop) override;

private:
  CameraModel model_;
  // Streaming state, used by the streaming thread only.
  std::unique_ptr<TestPattern> pattern_;
  REFERENCE_TIME frameTime_ = kDefaultFrameTime;
  int bitCount_ = 24;
  long imageBytes_ = 0;
  int64_t frame_ = 0;
  ULONGLONG streamingSinceMs_ = 0;
};

}  // namespace testbed
