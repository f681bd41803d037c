// The application object: one per module, run from WinMain (program) or DllMain (library).
#pragma once
#include <windows.h>
#include <string>

class WinApp {
public:
  explicit WinApp(const char* appTitle);
  virtual ~WinApp();
  WinApp(const WinApp&) = delete;
  WinApp& operator=(const WinApp&) = delete;

  // The module's start-up; a program ends when it returns FALSE.
  virtual BOOL InitInstance() { return TRUE; }
  // The module's end; its result is the process exit code of a program.
  virtual int ExitInstance() { return 0; }

  // WinMain of a program: InitInstance, a message loop only when it returned TRUE, ExitInstance.
  int RunProgram(HINSTANCE instance);

  static WinApp* Current();

  HINSTANCE instance = nullptr;
  std::string title;
  HWND mainWindow = nullptr;
};

// Instance whose resources (dialogs, bitmaps) the framework loads.
HINSTANCE ResourceInstance();
