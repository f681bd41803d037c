#include "recorder/VistrelApp.h"

#include "recorder/Controller.h"
#include "recorder/audio/RecordingLine.h"
#include "recorder/codec/Msvc1Driver.h"

namespace {
CVistrelApp theApp;
}

BOOL CVistrelApp::InitInstance() { return CreateCaptureIdleEvent() ? TRUE : FALSE; }

int CVistrelApp::ExitInstance() {
  ReleaseAudioSide();
  RemoveMsvc1Compressor();
  CloseCaptureIdleEvent();
  return 0;
}

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    theApp.instance = instance;
    DisableThreadLibraryCalls(instance);
    return theApp.InitInstance();
  }
  if (reason == DLL_PROCESS_DETACH) theApp.ExitInstance();
  return TRUE;
}
