// The test cameras: a capture pin and a preview pin, each drawing the moving test pattern.
#pragma once
#include "testbed/camera/VideoCapturePin.h"
#include "testbed/com/CaptureFilter.h"

namespace testbed {

// The two registered cameras differ in name, default size and the order of their bars.
extern const CameraModel kFirstCamera;
extern const CameraModel kSecondCamera;

class TestCamera : public CaptureFilter {
public:
  TestCamera(const CLSID& clsid, const CameraModel& model);
};

}  // namespace testbed
