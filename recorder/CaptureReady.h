// The signal that a recording's capture is ready to take frames: a named manual-reset event per
// process (VistrelReadyEventName in Vistrel.h), reset by _OnRecord@12 and set once the capture
// run has its file open and enters its frame loop, or has ended without one. A host that starts
// the screen recording paused waits for it before it starts its own recording and resumes, so
// that both begin together.
#pragma once

bool CreateCaptureReadyEvent();
void CloseCaptureReadyEvent();
void CaptureNotReady();
void CaptureReady();
