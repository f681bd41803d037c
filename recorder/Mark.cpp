// The teacher's mark, as a host asks for it through _OnMark@0: the next picture the capture
// takes is kept as a marked slide.
#include "recorder/RecorderState.h"
#include "recorder/Vistrel.h"

void OnMark() {
  RecorderState& state = Recorder();
  if (state.recording.load() != 1 || !state.slides) return;
  state.slides->Mark();
}
