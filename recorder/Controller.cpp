#include "recorder/Controller.h"

#include "framework/Handles.h"
#include "framework/Text.h"
#include "recorder/AviCapture.h"
#include "recorder/CaptureReady.h"
#include "recorder/FinishRecording.h"
#include "recorder/FrameLoop.h"
#include "recorder/PartWriter.h"
#include "recorder/RecorderState.h"
#include "recorder/RecoveryNote.h"
#include "recorder/ScreenBudgetSetting.h"
#include "recorder/TempPaths.h"
#include "recorder/Vistrel.h"
#include "recorder/audio/Mci.h"
#include "recorder/audio/RecordingLine.h"
#include "recorder/audio/WaveIn.h"

#include <cstring>
#include <memory>
#include <mutex>

namespace {
UniqueHandle captureIdle;

// The folder of the output file, where the slides go.
std::string SlidesDirectory(const char* outputPath) {
  std::string folder = DirectoryWithBackslash(outputPath);
  if (folder.empty()) return ".";
  folder.pop_back();
  return folder;
}

// The sound devices and the microphone's writer serve one capture run at a time: an auto-reset
// event, set while no run holds them.
UniqueHandle soundFree;

// Capture threads that run, finishing ones included; the completion event is set at none.
std::mutex runningLock;
int runningThreads = 0;

void ThreadStarts() {
  std::lock_guard<std::mutex> hold(runningLock);
  if (runningThreads++ == 0 && captureIdle) ResetEvent(captureIdle.Get());
}

void ThreadEnds() {
  std::lock_guard<std::mutex> hold(runningLock);
  if (--runningThreads == 0 && captureIdle) SetEvent(captureIdle.Get());
}

DWORD WINAPI CaptureThreadFor(void* parameter) {
  // The thread holds its recording's state until it ends, whatever the host begins meanwhile.
  std::unique_ptr<std::shared_ptr<RecorderState>> state(static_cast<std::shared_ptr<RecorderState>*>(parameter));
  WorkFor(state->get());
  CaptureThread(nullptr);
  // A run that ended without its frame loop lets a waiting host go on.
  CaptureReady();
  WorkFor(nullptr);
  state.reset();
  ThreadEnds();
  return 0;
}

// A detached capture thread for `state`; false when none could be made.
bool LaunchCaptureThread(std::shared_ptr<RecorderState> state) {
  ThreadStarts();
  auto* parameter = new std::shared_ptr<RecorderState>(std::move(state));
  HANDLE thread = CreateThread(nullptr, 0, CaptureThreadFor, parameter, 0, nullptr);
  if (!thread) {
    delete parameter;
    ThreadEnds();
    return false;
  }
  SetThreadPriority(thread, THREAD_PRIORITY_NORMAL);
  CloseHandle(thread);
  return true;
}

// Waits for the run before to let go of the sound; false when it does not in time.
bool TakeSound() {
  return !soundFree || WaitForSingleObject(soundFree.Get(), kSoundHandOverMs) == WAIT_OBJECT_0;
}

void ReleaseSound() {
  if (soundFree) SetEvent(soundFree.Get());
}

// The run ends without a stop. Unless the host asked for the stop meanwhile, its window learns
// why and how long the recording's files are (the host may go on with its own recording).
void EndOnItsOwn(VistrelCaptureEnd reason, DWORD rate) {
  RecorderState& state = Recorder();
  if (state.recording.exchange(0) != 1 || !state.callbackWindow) return;
  const uint64_t milliseconds = rate ? state.coveredPositions * 1000 / rate : 0;
  PostMessageA(state.callbackWindow, CaptureEndedMessage(), reason, static_cast<LPARAM>(milliseconds));
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
  soundFree.Reset(CreateEventA(nullptr, FALSE, TRUE, nullptr));
  return captureIdle.Valid() && soundFree.Valid() && CreateCaptureReadyEvent();
}

void CloseCaptureIdleEvent() {
  captureIdle.Reset();
  soundFree.Reset();
  CloseCaptureReadyEvent();
}

bool WaitForCaptureIdle(DWORD timeoutMs) {
  return !captureIdle || WaitForSingleObject(captureIdle.Get(), timeoutMs) == WAIT_OBJECT_0;
}

UINT CaptureEndedMessage() {
  static const UINT message = RegisterWindowMessageA(kVistrelCaptureEndedMessage);
  return message;
}

void OnRecord(HWND callbackWindow, const char* outputPath, int audioSource) {
  // A run that nobody stopped ends here. It finishes its files on its own thread, with its own
  // state, while this recording starts at once with a new one: neither waits for the other, and
  // neither writes into the other's files.
  RequestStop();
  CaptureNotReady();
  RecorderState& state = BeginRecordingState();
  state.callbackWindow = callbackWindow;
  if (audioSource == AudioMicrophone) {
    PrepareMicrophoneAudio();
  } else if (audioSource == AudioSystemSound) {
    PrepareSystemSoundAudio();
  }
  strncpy(state.outputPath, outputPath ? outputPath : "", kOutputPathBytes - 1);
  state.outputPath[kOutputPathBytes - 1] = '\0';
  state.slides = std::make_shared<SlideShow>(SlidesDirectory(state.outputPath));
  state.screenBudgetMBPerMinute = ReadScreenBudgetMBPerMinute(HostSetupIniPath());
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
  LaunchCaptureThread(state.shared_from_this());
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
  return LaunchCaptureThread(state.shared_from_this());
}

void RequestStop() { Recorder().recording = 0; }

DWORD WINAPI CaptureThread(void*) {
  bool successor = false;
  if (ChooseTempVideoPath()) {
    const CaptureRectangle& r = Recorder().captureRectangle;
    successor = RunCapture(r.left, r.top, r.Width(), r.Height(), kStreamRate);
  } else {
    // Nowhere to write: the recording ends.
    EndOnItsOwn(VistrelEndCannotWrite, kStreamRate);
  }
  // The last run of the recording writes the slides' final list.
  if (!successor && Recorder().slides) Recorder().slides->Finish();
  return 0;
}

bool RunCapture(int left, int top, int width, int height, DWORD rate) {
  RecorderState& state = Recorder();
  AudioMode mode = state.audioMode;
  CaptureRectangle rectangle = {left, top, left + width - 1, top + height - 1};
  PartWriter part(rectangle, rate);
  AviSetUp setUp = part.Open();
  if (setUp == AviSetUp::VideoForWindowsTooOld || setUp == AviSetUp::NoProbeFrame) {
    EndOnItsOwn(setUp == AviSetUp::NoProbeFrame ? VistrelEndNoMemory : VistrelEndCannotWrite, rate);
    return false;
  }

  FrameLoopEnd end = FrameLoopEnd::Stopped;
  // Only a run that took the sound devices stops them: a run of an earlier recording may still
  // hold them, and a run that cannot have them in time records its pictures without sound.
  bool withSound = false;
  if (setUp == AviSetUp::Ready) {
    withSound = mode != AudioNone && TakeSound();
    if (withSound) {
      StartSound(mode);
    } else {
      state.tempSoundPath.clear();
    }
    // The microphone's WAV file is written as it records, so it is recoverable; the MCI device
    // saves its sound only at the stop.
    part.BeginRecord(withSound && mode == AudioMicrophone ? state.tempSoundPath : std::string());
    CaptureReady();
    // The microphone's buffers of a paused recording are left out as they come (WaveIn.cpp); the
    // system sound's device is paused with the pictures.
    const bool mciSound = withSound && mode == AudioSystemSound;
    end = RunFrameLoop(
        rectangle,
        [&part](BITMAPINFOHEADER* frame, uint32_t index, FrameCost& cost) { return part.Write(frame, index, &cost); },
        [mciSound](bool paused) {
          if (mciSound) MciPause(paused);
        });
  }
  part.Avi().FreeOptions();
  if (withSound) {
    StopSound(mode);
    ReleaseSound();
  }
  part.Close();

  const HRESULT failure = part.Avi().LastResult();
  if (failure != 0) {
    // The frames written so far stay: the restart records into a part file of its own.
    if (part.FramesInPart() > 0) {
      part.PartDone(true);
      ++state.partNumber;
    } else {
      part.DropEmptyPart();
    }
    if (mode != AudioNone && setUp == AviSetUp::Ready) AttachRunSound();
    if (state.CompressorFallback != kFourccMsvc && RestartCapture(failure)) return true;
    EndOnItsOwn(setUp != AviSetUp::Ready ? VistrelEndCannotWrite
                : part.EndReason() == VistrelEndCannotWrite ? VistrelEndCannotWrite
                                                            : VistrelEndWriteFailed,
                rate);
    return false;
  }
  // A frame without memory, a next part that could not be begun, or a disk without room for
  // the next frame ends the recording with the frames written so far.
  if (end == FrameLoopEnd::OutOfMemory) EndOnItsOwn(VistrelEndNoMemory, rate);
  if (end == FrameLoopEnd::WriteFailed) EndOnItsOwn(part.EndReason(), rate);
  if (mode != AudioNone) {
    part.PartDone(false);
    AttachRunSound();
  }
  FinishRecording();
  part.Finished();
  return false;
}
