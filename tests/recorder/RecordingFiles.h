// Small real recordings for the tests: an MS Video 1 AVI of a screen corner and a PCM tone; what
// a recording holds; and a frame write that fails as a write to a full disk does.
#pragma once
#include "recorder/recovery/AviCheck.h"

#include <windows.h>
#include <vfw.h>
#include <cstdint>
#include <string>

// Records `frames` frames of the screen's top-left 64 x 48 pixels into `path`; true on success.
bool WriteSmallScreenAvi(const std::string& path, int frames);
// A 16-bit stereo 22050 Hz WAV of `milliseconds` of a square tone.
bool WriteToneWav(const std::string& path, int milliseconds);
// The stream types of an AVI file in order ('vids', 'auds'), read back through AVIFIL32.
std::string StreamTypes(const std::string& path);
// Frames with a picture in an AVI file; 0 when it does not read back whole. `facts` may be null.
uint32_t PictureFrames(const std::string& path, AviFacts* facts = nullptr);

// From now on the recorder's `failingCall`-th frame write fails with `failure` (a failed file
// write unless told); the others go to the real AVIStreamWrite. Undone by
// SetAviStreamWriteForTests(nullptr).
void FailFrameWriteNumber(int failingCall, HRESULT failure = AVIERR_FILEWRITE);
// From now on every frame write from the recorder's `firstFailingCall`-th on fails with a failed
// file write, as on a disk that has gone away.
void FailFrameWritesFrom(int firstFailingCall);
// From now on the recorder's `hangingCall`-th frame write sets the event `hung` and then waits
// `milliseconds` before it writes, as a write to a stalled disk or share does; the others write
// at once.
void HangFrameWriteNumber(int hangingCall, DWORD milliseconds, HANDLE hung);
// Frame writes since FailFrameWriteNumber, the failed one included.
int FrameWritesSoFar();
