// The recorder's life cycle: the exported start and stop, and the capture thread that records,
// finishes the file and, after a failed AVI call, restarts once per process.
#pragma once
#include "recorder/Vistrel.h"

#include <windows.h>

void StartCapture();
// The one restart after a failed AVI call (`failure` its result): a new capture thread, unless a
// stop was requested. True when the new thread runs.
bool RestartCapture(HRESULT failure);
// Whether an AVI result says that the compressor failed (not the file or the disk).
bool IsCompressorFailure(HRESULT result);
void RequestStop();
DWORD WINAPI CaptureThread(void*);
// One capture run on the capture thread; true when it started a successor thread.
bool RunCapture(int left, int top, int width, int height, DWORD rate);

// The manual-reset event that is set while no capture thread runs (created at library load).
bool CreateCaptureIdleEvent();
void CloseCaptureIdleEvent();
// Waits until no capture thread runs; true when it is so within the time given.
bool WaitForCaptureIdle(DWORD timeoutMs);

// How long a new recording waits for the previous capture thread before it stops that run, and
// how long it then gives the run to finish its file.
constexpr DWORD kPreviousRunWaitMs = 2000;
constexpr DWORD kPreviousRunStopWaitMs = 30000;
// Waits for the previous capture thread, stopping its run once `waitMs` have passed; true when
// no capture thread runs any more.
bool EndPreviousRun(DWORD waitMs, DWORD stopWaitMs);
