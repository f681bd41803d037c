#include "recorder/CaptureReady.h"

#include "framework/Handles.h"
#include "recorder/Vistrel.h"

namespace {
UniqueHandle ready;
}  // namespace

bool CreateCaptureReadyEvent() {
  ready.Reset(CreateEventA(nullptr, TRUE, FALSE, VistrelReadyEventName(GetCurrentProcessId()).c_str()));
  return ready.Valid();
}

void CloseCaptureReadyEvent() { ready.Reset(); }

void CaptureNotReady() {
  if (ready) ResetEvent(ready.Get());
}

void CaptureReady() {
  if (ready) SetEvent(ready.Get());
}
