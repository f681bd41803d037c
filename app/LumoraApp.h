// Lumora's application object: makes sure Setup.ini exists, learns the program folder and the
// help language, and runs the main dialog; the process ends when the dialog does.
#pragma once
#include "framework/App.h"

#include <string>

class LumoraApp : public WinApp {
public:
  LumoraApp() : WinApp("Lumora") {}
  BOOL InitInstance() override;

  std::string moduleDirectory;  // ends with a backslash; empty when the path cannot be read
  int language = 0;             // 0 Chinese, 1 English, other values no help file
};

// The application object of the running program.
LumoraApp& TheApp();
