#include "app/LumoraApp.h"

#include "app/SingleInstance.h"
#include "app/StartUp.h"
#include "app/TitleOverlayRegistration.h"
#include "framework/MessageBox.h"
#include "mainwnd/MainDialog.h"

#include <commctrl.h>
#include <new>

namespace {
LumoraApp theApp;
}

LumoraApp& TheApp() { return theApp; }

BOOL LumoraApp::InitInstance() {
  // A second Lumora of the same user shows the first one and ends before it touches anything.
  static SingleInstance instance;
  if (!instance.Claim()) {
    BringMainWindowToFront();
    return FALSE;
  }
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
  // The title filter beside the program is found by COM even when nothing installed it.
  if (!moduleDirectory.empty()) EnsureTitleOverlayRegistered(moduleDirectory + kTitleOverlayDll);

  MainDialog mainDialog(moduleDirectory, language);
  mainDialog.DoModal();
  mainWindow = nullptr;
  return FALSE;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) { return theApp.RunProgram(instance); }
