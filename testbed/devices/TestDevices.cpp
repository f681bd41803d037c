#include "testbed/devices/TestDevices.h"

#include <cstring>

namespace testbed {
namespace {
// Paths in the form Windows gives capture device interfaces: bus, device, instance and the
// interface class KSCATEGORY_CAPTURE.
const TestDevice kDevices[] = {
    {"camera", L"\\\\?\\root#lumora_testbed#camera#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\global", true},
    {"camera2", L"\\\\?\\root#lumora_testbed#camera2#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\global", true},
    {"microphone", L"\\\\?\\root#lumora_testbed#microphone#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\global", false},
};
}  // namespace

const TestDevice* FindTestDevice(const char* name) {
  for (const TestDevice& device : kDevices) {
    if (std::strcmp(device.name, name) == 0) return &device;
  }
  return nullptr;
}

}  // namespace testbed
