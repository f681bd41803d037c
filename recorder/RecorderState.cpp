#include "recorder/RecorderState.h"

namespace {
RecorderState state;
}

RecorderState& Recorder() { return state; }

void ResetRecorderState() {
  state.recording = 0;
  state.callbackWindow = nullptr;
  state.outputPath[0] = '\0';
  state.audioMode = AudioNone;
  state.screenWidth = state.screenHeight = 0;
  state.captureRectangle = CaptureRectangle();
  state.tempVideoPath.clear();
  state.tempSoundPath.clear();
  state.tempDirectoryChoice = 0;
  state.CompressorFallback = 0;
  state.ownCompressor = false;
  state.partNumber = 1;
  state.partByteLimit = kPartByteLimit;
  state.runNumber = 1;
  state.recordedParts.clear();
  state.framesWritten = 0;
}
