#include "app/TitleOverlayRegistration.h"

#include "framework/Handles.h"

#include <windows.h>

namespace {
const char kClassKey[] = "CLSID\\{E3FB4BFE-8E5C-4AEC-8162-7DA55BE486A1}";
const char kUserClasses[] = "Software\\Classes\\";

bool SetDefaultValue(HKEY key, const char* name, const std::string& value) {
  return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                        static_cast<DWORD>(value.size() + 1)) == ERROR_SUCCESS;
}
}  // namespace

std::string RegisteredTitleOverlayServer() {
  RegistryKey key;
  std::string path = std::string(kClassKey) + "\\InprocServer32";
  // HKEY_CLASSES_ROOT is the view COM uses: the user's classes over the machine's.
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, key.Out()) != ERROR_SUCCESS) return {};
  char buffer[MAX_PATH * 2] = {};
  DWORD size = sizeof(buffer) - 1;
  DWORD type = 0;
  if (RegQueryValueExA(key.Get(), nullptr, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) !=
          ERROR_SUCCESS ||
      (type != REG_SZ && type != REG_EXPAND_SZ))
    return {};
  return buffer;
}

namespace {
// Writes the class's keys under `root` + `prefix`; false when any write fails.
bool WriteClass(HKEY root, const std::string& prefix, const std::string& dllPath) {
  RegistryKey classKey, serverKey;
  std::string classPath = prefix + kClassKey;
  return RegCreateKeyExA(root, classPath.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, classKey.Out(), nullptr) ==
             ERROR_SUCCESS &&
         SetDefaultValue(classKey.Get(), nullptr, "Lumora Title Overlay") &&
         RegCreateKeyExA(classKey.Get(), "InprocServer32", 0, nullptr, 0, KEY_WRITE, nullptr, serverKey.Out(),
                         nullptr) == ERROR_SUCCESS &&
         SetDefaultValue(serverKey.Get(), nullptr, dllPath) &&
         SetDefaultValue(serverKey.Get(), "ThreadingModel", "Both");
}

bool ComSees(const std::string& dllPath) {
  return lstrcmpiA(RegisteredTitleOverlayServer().c_str(), dllPath.c_str()) == 0;
}
}  // namespace

TitleOverlayRegistration EnsureTitleOverlayRegistered(const std::string& dllPath) {
  if (dllPath.empty()) return TitleOverlayRegistration::Failed;
  if (ComSees(dllPath)) return TitleOverlayRegistration::AlreadyThere;
  bool written = WriteClass(HKEY_CURRENT_USER, kUserClasses, dllPath);
  // Where the classes view does not take in the user's classes (Wine), the class goes into the
  // view itself; on Windows that needs rights a teacher's account may lack, and is not needed.
  if (!written || !ComSees(dllPath)) WriteClass(HKEY_CLASSES_ROOT, "", dllPath);
  return ComSees(dllPath) ? TitleOverlayRegistration::Registered : TitleOverlayRegistration::Failed;
}
