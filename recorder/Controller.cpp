#include "recorder/Controller.h"

#include "framework/Handles.h"
#include "recorder/AviCapture.h"
#include "recorder/FinishRecording.h"
#include "recorder/FrameLoop.h"
#include "recorder/PartWriter.h"
#include "recorder/RecorderState.h"
#include "recorder/RecoveryNote.h"
#include "recorder/TempPaths.h"
#include "recorder/Vistrel.h"
#include "recorder/audio/Mci.h"
#include "recorder/audio/RecordingLine.h"
#include "recorder/audio/WaveIn.h"

#include <cstring>

namespace {
UniqueHandle captureIdle;

void MarkCaptureRunning() {
  if (captureIdle) ResetEvent(captureIdle.Get());
}

void MarkCaptureIdle() {
  if (captureIdle) SetEvent(captureIdle.Get());
}

// A detached capture thread on the current state; false when none could be made.
bool LaunchCaptureThread() {
  HANDLE thread = CreateThread(nullptr, 0, CaptureThread, nullptr, 0, nullptr);
  if (!thread) return false;
  SetThreadPriority(thread, THREAD_PRIORITY_NORMAL);
  CloseHandle(thread);
  return true;
}

void ReadScreenSize(RecorderState& state) {
  WindowDC screen(nullptr);
  state.screenWidth = GetDeviceCaps(screen.Get(), HORZRES);
  state.screenHeight = GetDeviceCaps(screen.Get(), VERTRES);
}

void StartSound(AudioMode mode) {
  if (mode == AudioSystemSound) {
    MciOpenWave();
    MciSetWaveFormat();
    MciStartRecord();
  } else if (mode == AudioMicrophone) {
    BeginMicrophoneRecording();
    WaveInStartCapture(MicrophoneFormat());
  }
}

// The run's parts take their sound from the file the run has just finished; a run that listed
// no part (its first write failed) has no picture for its sound, which goes.
void AttachRunSound() {
  RecorderState& state = Recorder();
  bool listed = false;
  for (RecordedPart& part : state.recordedParts) {
    if (part.run != state.runNumber) continue;
    part.soundPath = state.tempSoundPath;
    listed = true;
  }
  if (!listed && !state.tempSoundPath.empty()) DeleteFileA(state.tempSoundPath.c_str());
}

void StopSound(AudioMode mode) {
  if (mode == AudioSystemSound) {
    if (ChooseTempSoundPath()) MciStopAndSave(Recorder().tempSoundPath);
    MciClose();
  } else if (mode == AudioMicrophone) {
    WaveInStopCapture();
    CloseSoundFile();
  }
}
}  // namespace

bool CreateCaptureIdleEvent() {
  std::string name = VistrelIdleEventName(GetCurrentProcessId());
  captureIdle.Reset(CreateEventA(nullptr, TRUE, TRUE, name.c_str()));
  return captureIdle.Valid();
}

void CloseCaptureIdleEvent() { captureIdle.Reset(); }

bool WaitForCaptureIdle(DWORD timeoutMs) {
  return !captureIdle || WaitForSingleObject(captureIdle.Get(), timeoutMs) == WAIT_OBJECT_0;
}

bool EndPreviousRun(DWORD waitMs, DWORD stopWaitMs) {
  if (WaitForCaptureIdle(waitMs)) return true;
  // A run that nobody stopped would keep the host waiting for ever: it ends here, with its file.
  RequestStop();
  return WaitForCaptureIdle(stopWaitMs);
}

void OnRecord(HWND callbackWindow, const char* outputPath, int audioSource) {
  // The capture thread reads this state until it ends; a new recording waits for it. A run that
  // is still busy after its stop shares nothing with a new one: this recording is not started.
  if (!EndPreviousRun(kPreviousRunWaitMs, kPreviousRunStopWaitMs)) return;
  RecorderState& state = Recorder();
  state.callbackWindow = callbackWindow;
  if (audioSource == AudioMicrophone) {
    PrepareMicrophoneAudio();
  } else if (audioSource == AudioSystemSound) {
    PrepareSystemSoundAudio();
  }
  strncpy(state.outputPath, outputPath ? outputPath : "", kOutputPathBytes - 1);
  state.partNumber = 1;
  state.runNumber = 1;
  state.recordedParts.clear();
  state.framesWritten = 0;
  state.outputPath[kOutputPathBytes - 1] = '\0';
  ReadScreenSize(state);
  state.captureRectangle = {0, 0, state.screenWidth - 1, state.screenHeight - 1};
  StartCapture();
}

void OnStop() {
  if (Recorder().recording.load() != 0) RequestStop();
}

void StartCapture() {
  RecorderState& state = Recorder();
  ReadScreenSize(state);
  state.recording = 1;
  MarkCaptureRunning();
  if (!LaunchCaptureThread()) MarkCaptureIdle();
}

bool IsCompressorFailure(HRESULT result) {
  return result == AVIERR_COMPRESSOR || result == AVIERR_NOCOMPRESSOR || result == AVIERR_CANTCOMPRESS ||
         result == AVIERR_BADFORMAT;
}

bool RestartCapture(HRESULT failure) {
  RecorderState& state = Recorder();
  // The flag is only read here, never set: a stop requested while the failing write was in
  // flight ends the recording, and one that arrives later reaches the new run.
  if (state.recording.load() != 1) return false;
  state.CompressorFallback = kFourccMsvc;
  // The system's compressor failed: the new run, and later recordings, compress with ours.
  if (IsCompressorFailure(failure)) state.ownCompressor = true;
  ++state.runNumber;
  ReadScreenSize(state);
  MarkCaptureRunning();
  if (LaunchCaptureThread()) return true;
  MarkCaptureIdle();
  return false;
}

void RequestStop() { Recorder().recording = 0; }

DWORD WINAPI CaptureThread(void*) {
  bool successorStarted = false;
  if (ChooseTempVideoPath()) {
    const CaptureRectangle& r = Recorder().captureRectangle;
    successorStarted = RunCapture(r.left, r.top, r.Width(), r.Height(), kStreamRate);
  } else {
    // Nowhere to write: the recording ends as if it had been stopped.
    RequestStop();
  }
  if (!successorStarted) MarkCaptureIdle();
  return 0;
}

bool RunCapture(int left, int top, int width, int height, DWORD rate) {
  RecorderState& state = Recorder();
  AudioMode mode = state.audioMode;
  CaptureRectangle rectangle = {left, top, left + width - 1, top + height - 1};
  PartWriter part(rectangle, rate);
  AviSetUp setUp = part.Open();
  if (setUp == AviSetUp::VideoForWindowsTooOld || setUp == AviSetUp::NoProbeFrame) return false;

  FrameLoopEnd end = FrameLoopEnd::Stopped;
  if (setUp == AviSetUp::Ready) {
    StartSound(mode);
    // The microphone's WAV file is written as it records, so it is recoverable; the MCI device
    // saves its sound only at the stop.
    part.BeginRecord(mode == AudioMicrophone ? state.tempSoundPath : std::string());
    end = RunFrameLoop(rectangle, [&part](BITMAPINFOHEADER* frame, uint32_t index) {
      return part.Write(frame, index);
    });
  }
  part.Avi().FreeOptions();
  StopSound(mode);
  part.Close();

  const HRESULT failure = part.Avi().LastResult();
  if (failure != 0) {
    // The frames written so far stay: the restart records into a part file of its own.
    if (part.FramesInPart() > 0) {
      part.PartDone(true);
      ++state.partNumber;
    }
    // A run whose set-up failed started no sound; the sound path is still an earlier run's.
    if (mode != AudioNone && setUp == AviSetUp::Ready) AttachRunSound();
    if (state.CompressorFallback != kFourccMsvc && RestartCapture(failure)) return true;
    RequestStop();
    return false;
  }
  // A frame without memory, a next part that could not be begun, or a disk without room for
  // the next frame ends the recording with the frames written so far.
  if (end != FrameLoopEnd::Stopped) RequestStop();
  if (mode != AudioNone) {
    part.PartDone(false);
    AttachRunSound();
  }
  FinishRecording();
  part.Finished();
  return false;
}
