// Vistrel.dll, the screen recorder library, as a host program calls it.
//
// Link the import library `vistrel_import`: the calls are imported by name as "_OnRecord@12",
// "_OnStop@0", "_OnPause@4" and "_OnMark@0" and bound when the host is loaded.
//
// OnRecord starts a recording of the whole primary screen, with the pointer, into an MS Video 1
// AVI file (16 bits per pixel, 200 positions per second) and returns at once; the capture runs on
// a thread of the library. OnStop asks that thread to stop and returns at once; the library then
// finishes the file on its own thread.
//
// Completion signal: every process that has the library loaded owns a named manual-reset event,
// VistrelIdleEventName(GetCurrentProcessId()), that is set while no capture thread runs and reset
// while one records or finishes. A host that is about to exit, or that wants to read the file,
// waits for it (WaitForVistrelIdle). OnRecord starts at once: a previous recording that still
// finishes its file goes on doing so on its own thread, into its own file.
#pragma once
#include <windows.h>
#include <cstdio>
#include <string>

#ifdef VISTREL_EXPORTS
#define VISTREL_API
#else
#define VISTREL_API __declspec(dllimport)
#endif

extern "C" {
// callbackWindow receives the wave-in data messages when audioSource is 1 (microphone); the host
// passes each MM_WIM_DATA to the library's "_MMWIMDATA@8". 2 records the "Stereo Mix" line; any
// other value keeps the sound source of the previous recording (none at first). The path is
// copied; it must be at most 259 characters.
VISTREL_API void __stdcall OnRecord(HWND callbackWindow, const char* outputPath, int audioSource);
VISTREL_API void __stdcall OnStop();
// Pauses the running recording (pause non-zero) or resumes it (zero), exported as "_OnPause@4":
// no frame is taken and no sound recorded while paused, and the frames after the resume follow
// those before it, so the files leave the paused time out. A call while nothing records does
// nothing; a host that never calls it records as before.
VISTREL_API void __stdcall OnPause(BOOL pause);
// Marks the picture on the screen as important, exported as "_OnMark@0": the next frame of the
// running recording is kept as a slide picture with a mark, whether the screen changed or not.
// Every recording keeps its slides ("slides" and "slides.js" beside the output file); a call
// while nothing records does nothing.
VISTREL_API void __stdcall OnMark();
}

// Name of the completion event of process `processId`.
inline std::string VistrelIdleEventName(DWORD processId) {
  char name[64];
  snprintf(name, sizeof(name), "VistrelCaptureIdle.%lu", static_cast<unsigned long>(processId));
  return name;
}

// Waits until the library of this process runs no capture thread; true when it is idle in time.
inline bool WaitForVistrelIdle(DWORD timeoutMs) {
  HANDLE idle = OpenEventA(SYNCHRONIZE, FALSE, VistrelIdleEventName(GetCurrentProcessId()).c_str());
  if (!idle) return true;  // the library is not loaded, so nothing records
  bool done = WaitForSingleObject(idle, timeoutMs) == WAIT_OBJECT_0;
  CloseHandle(idle);
  return done;
}

// Name of the event of process `processId` that is set once the capture of the last OnRecord is
// ready to take frames (its file is open), or has ended without one; OnRecord resets it. A host
// that starts the screen recording paused (OnPause) waits for it, then starts its own recording
// and resumes the screen's, so that the two begin together.
inline std::string VistrelReadyEventName(DWORD processId) {
  char name[64];
  snprintf(name, sizeof(name), "VistrelCaptureReady.%lu", static_cast<unsigned long>(processId));
  return name;
}

// Posted (never sent) to the callbackWindow of OnRecord when a capture ends on its own, without
// an OnStop: the host learns that the screen is no longer recorded. Register it with
// RegisterWindowMessageA(kVistrelCaptureEndedMessage). wParam is a VistrelCaptureEnd; lParam is
// the milliseconds that the recording's screen files cover. A host that ignores the message
// loses nothing: the files are finished as after a stop.
inline constexpr char kVistrelCaptureEndedMessage[] = "VistrelCaptureEnded";
enum VistrelCaptureEnd : WPARAM {
  VistrelEndDiskFull = 1,      // the disk had no room for the next frame
  VistrelEndWriteFailed = 2,   // a write failed again after the one restart a recording has
  VistrelEndNoMemory = 3,      // a frame could not be allocated
  VistrelEndCannotWrite = 4,   // no file or next part could be opened
};
