// The library's application object: nothing to set up at load; at unload the sound side gives
// back the user's recording source and closes the mixer.
#pragma once
#include "framework/App.h"

class CVistrelApp : public WinApp {
public:
  CVistrelApp() : WinApp("Vistrel") {}
  BOOL InitInstance() override;
  int ExitInstance() override;
};
