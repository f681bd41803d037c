// The outside hand that unplugs and plugs in a test device for the programs that run in the
// prefix, as Windows shows such a change: the device's running filter stops delivering and
// reports EC_DEVICE_LOST (DevicePresence.h), the device leaves or rejoins its DirectShow category,
// and the top-level windows receive WM_DEVICECHANGE for its KSCATEGORY_CAPTURE interface.
// Started by scripts/testbed.sh as: rundll32 lumora_testbed.dll,PlugDevice <device> plug|unplug
#include "testbed/devices/DevicePresence.h"
#include "testbed/devices/TestDevices.h"

#include <windows.h>

#include <dbt.h>

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

namespace testbed {
namespace {
// {65E8773D-8F56-11D0-A3B9-00A0C9223196}
constexpr GUID kCaptureInterfaceClass = {0x65E8773D, 0x8F56, 0x11D0, {0xA3, 0xB9, 0x00, 0xA0, 0xC9, 0x22, 0x31, 0x96}};

// Sends the device-interface event to every top-level window, as Wine's plug-and-play service
// does for a real device (the wide form, with the interface's path).
void AnnounceDevice(const TestDevice& device, WPARAM event) {
  size_t chars = std::wcslen(device.path) + 1;
  size_t size = offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name) + chars * sizeof(wchar_t);
  std::vector<BYTE> block(size);
  auto* broadcast = reinterpret_cast<DEV_BROADCAST_DEVICEINTERFACE_W*>(block.data());
  broadcast->dbcc_size = static_cast<DWORD>(size);
  broadcast->dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
  broadcast->dbcc_classguid = kCaptureInterfaceClass;
  std::memcpy(broadcast->dbcc_name, device.path, chars * sizeof(wchar_t));
  DWORD recipients = BSM_APPLICATIONS;
  BroadcastSystemMessageW(BSF_QUERY | BSF_FORCEIFHUNG | BSF_IGNORECURRENTTASK, &recipients, WM_DEVICECHANGE, event,
                          reinterpret_cast<LPARAM>(broadcast));
}

bool Unplug(const TestDevice& device) {
  // The switch first: a running filter stops at its next sample and reports the loss, before
  // the device leaves its category and the removal is announced, in the order Windows keeps.
  HANDLE file = CreateFileA(UnpluggedSwitch(device.name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  if (FAILED(ShowDeviceInCategory(device.name, false))) return false;
  AnnounceDevice(device, DBT_DEVICEREMOVECOMPLETE);
  return true;
}

bool Plug(const TestDevice& device) {
  if (FAILED(ShowDeviceInCategory(device.name, true))) return false;
  DeleteFileA(UnpluggedSwitch(device.name).c_str());
  AnnounceDevice(device, DBT_DEVICEARRIVAL);
  return true;
}
}  // namespace
}  // namespace testbed

extern "C" void CALLBACK PlugDevice(HWND, HINSTANCE, LPSTR commandLine, int) {
  char name[32] = {}, action[32] = {};
  if (!commandLine || std::sscanf(commandLine, "%31s %31s", name, action) != 2) {
    std::fprintf(stderr, "PlugDevice: usage: <camera|camera2|microphone> <plug|unplug>\n");
    return;
  }
  const testbed::TestDevice* device = testbed::FindTestDevice(name);
  bool plug = std::strcmp(action, "plug") == 0;
  if (!device || (!plug && std::strcmp(action, "unplug") != 0)) {
    std::fprintf(stderr, "PlugDevice: unknown device or action: %s %s\n", name, action);
    return;
  }
  if (!(plug ? testbed::Plug(*device) : testbed::Unplug(*device))) {
    std::fprintf(stderr, "PlugDevice: could not %s %s\n", action, name);
  }
}
