// What the main window knows of Vistrel's screen recording while a lesson records. Vistrel can
// end it on its own (a full disk, a write that failed again after its restart, no memory, no file
// it could open) and then posts VistrelCaptureEnded to the window; the camera goes on recording.
// The end is noted with its reason and the length the screen files cover, and at the stop that
// length, not the clock's, becomes the lesson's: the list never claims more than screen.avi holds.
#pragma once
#include "recorder/Vistrel.h"

#include <windows.h>

class ScreenRecordingWatch {
public:
  // The registered window message of VistrelCaptureEnded.
  static UINT Message();

  // A recording starts: the screen is recorded.
  void Begin();
  // The message's reason (a VistrelCaptureEnd) and the milliseconds the screen files cover.
  void EndedOnItsOwn(WPARAM reason, LPARAM milliseconds);
  bool Ended() const { return ended_; }
  VistrelCaptureEnd Reason() const { return reason_; }
  // The lesson's length in seconds: the clock's, or, once the screen recording ended on its own,
  // the length its files cover (rounded to the nearest second).
  long LessonSeconds(long clockSeconds) const;

private:
  bool ended_ = false;
  VistrelCaptureEnd reason_ = VistrelEndWriteFailed;
  LPARAM milliseconds_ = 0;
};
