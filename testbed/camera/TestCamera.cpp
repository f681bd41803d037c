#include "testbed/camera/TestCamera.h"

#include <uuids.h>

namespace testbed {

const CameraModel kFirstCamera{L"Lumora Test Camera", "camera", false, 640, 480};
const CameraModel kSecondCamera{L"Lumora Test Camera 2", "camera2", true, 320, 240};

TestCamera::TestCamera(const CLSID& clsid, const CameraModel& model) : CaptureFilter(clsid, model.device) {
  AddPin(std::make_unique<VideoCapturePin>(this, L"Capture", PIN_CATEGORY_CAPTURE, model));
  AddPin(std::make_unique<VideoCapturePin>(this, L"Preview", PIN_CATEGORY_PREVIEW, model));
}

}  // namespace testbed
