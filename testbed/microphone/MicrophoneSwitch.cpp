#include "testbed/microphone/MicrophoneSwitch.h"

#include <windows.h>

#include <string>

namespace testbed {
namespace {
// The folder of the module holding this code, with its trailing backslash.
std::string ModuleFolder() {
  HMODULE module = nullptr;
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCSTR>(&MicrophoneSilenced), &module);
  char path[MAX_PATH] = {};
  DWORD length = GetModuleFileNameA(module, path, sizeof(path));
  std::string folder(path, length);
  return folder.substr(0, folder.find_last_of('\\') + 1);
}
}  // namespace

bool MicrophoneSilenced() {
  static const std::string flag = ModuleFolder() + "microphone-silent";
  return GetFileAttributesA(flag.c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace testbed
