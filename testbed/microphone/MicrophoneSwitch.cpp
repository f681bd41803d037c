#include "testbed/microphone/MicrophoneSwitch.h"

#include "testbed/devices/DevicePresence.h"

#include <windows.h>

#include <string>

namespace testbed {

bool MicrophoneSilenced() {
  static const std::string flag = TestbedFolder() + "microphone-silent";
  return GetFileAttributesA(flag.c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace testbed
