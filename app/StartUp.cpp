#include "app/StartUp.h"

#include "app/Settings.h"
#include "framework/Text.h"

#include <vector>

std::string ModuleDirectory(HMODULE module) {
  std::vector<char> path(MAX_PATH + 1, '\0');
  DWORD length = GetModuleFileNameA(module, path.data(), MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return {};
  return DirectoryWithBackslash(std::string(path.data(), length));
}

void EnsureSettingsFile(const std::string& moduleDirectory) {
  std::string path = SettingsPath(moduleDirectory);
  if (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) return;
  WritePrivateProfileStringA("Setup", "OverlayText", "Lumora", path.c_str());
}

int ReadLanguage(const std::string& moduleDirectory) {
  return ReadSetupInt(SettingsPath(moduleDirectory), "Language");
}
