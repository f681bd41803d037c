// The test devices that can be unplugged and plugged in again, with the device-interface path
// under which Windows would announce them (KSCATEGORY_CAPTURE) and whether their DirectShow
// moniker tells that path too.
#pragma once
#include <windows.h>

namespace testbed {

struct TestDevice {
  const char* name;        // "camera", "camera2", "microphone"
  const wchar_t* path;     // the device interface's path
  bool monikerHasPath;     // the moniker's property bag has "DevicePath"
};

// The device of that name, or null.
const TestDevice* FindTestDevice(const char* name);

// Puts the device into its DirectShow category again (true) or takes it out (false); the class
// stays registered. In Registration.cpp, beside the rest of the registration.
HRESULT ShowDeviceInCategory(const char* device, bool shown);

}  // namespace testbed
