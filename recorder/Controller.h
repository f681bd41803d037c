// The recorder's life cycle: the exported start and stop, and the capture threads that record,
// finish their files and, after a failed AVI call, restart once per recording. A new recording
// starts at once; a run of an earlier one that still finishes its files does so on its own
// thread with its own state (RecorderState.h).
#pragma once
#include "recorder/Vistrel.h"

#include <windows.h>

// Starts a capture thread for the recording the calling thread works for.
void StartCapture();
// The one restart of a recording after a failed AVI call (`failure` its result): a new capture
// thread, unless a stop was requested. True when the new thread runs.
bool RestartCapture(HRESULT failure);
// Whether an AVI result says that the compressor failed (not the file or the disk).
bool IsCompressorFailure(HRESULT result);
void RequestStop();
// The capture thread's work for its recording: chooses the file and runs the capture.
DWORD WINAPI CaptureThread(void*);
// One capture run on the capture thread; true when it started a successor thread.
bool RunCapture(int left, int top, int width, int height, DWORD rate);

// The manual-reset event that is set while no capture thread runs (created at library load),
// with the hand-over of the sound devices between runs.
bool CreateCaptureIdleEvent();
void CloseCaptureIdleEvent();
// Waits until no capture thread runs; true when it is so within the time given.
bool WaitForCaptureIdle(DWORD timeoutMs);

// How long a run with sound waits for the run before it to let go of the sound devices (it does
// so right after its last frame) before it records its pictures without sound.
constexpr DWORD kSoundHandOverMs = 3000;

// The message posted to the host's window when a capture ends on its own (Vistrel.h).
UINT CaptureEndedMessage();
