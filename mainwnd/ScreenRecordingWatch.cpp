#include "mainwnd/ScreenRecordingWatch.h"

UINT ScreenRecordingWatch::Message() {
  static const UINT message = RegisterWindowMessageA(kVistrelCaptureEndedMessage);
  return message;
}

void ScreenRecordingWatch::Begin() {
  ended_ = false;
  reason_ = VistrelEndWriteFailed;
  milliseconds_ = 0;
}

void ScreenRecordingWatch::EndedOnItsOwn(WPARAM reason, LPARAM milliseconds) {
  ended_ = true;
  reason_ = static_cast<VistrelCaptureEnd>(reason);
  milliseconds_ = milliseconds;
}

long ScreenRecordingWatch::LessonSeconds(long clockSeconds) const {
  if (!ended_) return clockSeconds;
  return static_cast<long>((milliseconds_ + 500) / 1000);
}
