// Whether a test device is plugged in, as scripts/testbed.sh camera|microphone unplug|plug sets
// it from outside while programs run: a file "<device>-unplugged" beside the testbed DLL means the
// device is away ("camera", "camera2" or "microphone"). The same scripts take an unplugged device
// out of its DirectShow category and tell the running programs (PlugDevice.cpp).
#pragma once
#include <string>

namespace testbed {

// The folder of the testbed DLL (or of the program holding this code), with its backslash.
std::string TestbedFolder();
// The switch file of a device.
std::string UnpluggedSwitch(const char* device);
// Looked at for every sample a running device delivers, so an unplug takes effect within one.
bool DevicePlugged(const char* device);

}  // namespace testbed
