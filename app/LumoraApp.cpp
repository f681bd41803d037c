#include "app/LumoraApp.h"

#include "app/Settings.h"
#include "framework/Dialog.h"
#include "framework/MessageBox.h"
#include "framework/Text.h"

#include <commctrl.h>
#include <new>
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

BOOL LumoraApp::InitInstance() {
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  try {
    // The executable's path buffer is the one allocation whose failure start-up reports.
    EnsureSettingsFile(ModuleDirectory());
    moduleDirectory = ModuleDirectory();
  } catch (const std::bad_alloc&) {
    AppMessageBox("Out of memory.", MB_OK | MB_ICONSTOP);
    return FALSE;
  }
  language = ReadLanguage(moduleDirectory);

  Dialog mainDialog(102);
  mainWindow = nullptr;
  mainDialog.DoModal();
  return FALSE;
}
