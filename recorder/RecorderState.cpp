#include "recorder/RecorderState.h"

namespace {
// The host's recording; replaced only on the host's thread, by _OnRecord@12 (and by tests).
std::shared_ptr<RecorderState> hostRecording = std::make_shared<RecorderState>();
// A capture thread's own recording; null on every other thread.
thread_local RecorderState* threadRecording = nullptr;
}  // namespace

RecorderState& Recorder() { return threadRecording ? *threadRecording : *hostRecording; }

RecorderState& BeginRecordingState() {
  auto next = std::make_shared<RecorderState>();
  const RecorderState& last = *hostRecording;
  next->audioMode = last.audioMode;
  next->tempDirectoryChoice = last.tempDirectoryChoice;
  next->ownCompressor = last.ownCompressor;
  next->partByteLimit = last.partByteLimit;
  hostRecording = std::move(next);
  return *hostRecording;
}

void WorkFor(RecorderState* state) { threadRecording = state; }

void ResetRecorderState() { hostRecording = std::make_shared<RecorderState>(); }
