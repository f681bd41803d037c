#include "testbed/microphone/TestMicrophone.h"

#include "testbed/microphone/AudioCapturePin.h"

namespace testbed {

const wchar_t kMicrophoneName[] = L"Lumora Test Microphone";

TestMicrophone::TestMicrophone(const CLSID& clsid) : CaptureFilter(clsid, "microphone") {
  AddPin(std::make_unique<AudioCapturePin>(this, L"Capture"));
}

}  // namespace testbed
