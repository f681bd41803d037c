#include "testbed/devices/DevicePresence.h"

#include <windows.h>

namespace testbed {

std::string TestbedFolder() {
  HMODULE module = nullptr;
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCSTR>(&TestbedFolder), &module);
  char path[MAX_PATH] = {};
  DWORD length = GetModuleFileNameA(module, path, sizeof(path));
  std::string folder(path, length);
  return folder.substr(0, folder.find_last_of('\\') + 1);
}

std::string UnpluggedSwitch(const char* device) { return TestbedFolder() + device + "-unplugged"; }

bool DevicePlugged(const char* device) {
  return GetFileAttributesA(UnpluggedSwitch(device).c_str()) == INVALID_FILE_ATTRIBUTES;
}

}  // namespace testbed
