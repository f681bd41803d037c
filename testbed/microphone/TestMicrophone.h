// The test microphone: one capture pin that plays the test tone, or silence when switched so
// (MicrophoneSwitch.h).
#pragma once
#include "testbed/com/CaptureFilter.h"

namespace testbed {

extern const wchar_t kMicrophoneName[];

class TestMicrophone : public CaptureFilter {
public:
  explicit TestMicrophone(const CLSID& clsid);
};

}  // namespace testbed
