// The pause of a screen recording, as a host asks for it through _OnPause@4: the capture takes
// no frame while paused, and the frames after the resume take the positions that follow those
// before the pause. The microphone's sound of a paused recording is not written either.
#include "recorder/Clock.h"
#include "recorder/RecorderState.h"
#include "recorder/Vistrel.h"

void OnPause(BOOL pause) {
  RecorderState& state = Recorder();
  // Only a recording that runs is paused; a new recording always begins unpaused.
  if (state.recording.load() != 1) return;
  if (pause) {
    state.pauses.Pause(RecorderNow());
  } else {
    state.pauses.Resume(RecorderNow());
  }
}
