// The recorder's process-wide state: one record, zero at load, never freed.
#pragma once
#include "recorder/PauseClock.h"
#include "recorder/slides/SlideShow.h"

#include <windows.h>
#include <atomic>
#include <memory>
#include <cstdint>
#include <string>
#include <vector>

enum AudioMode : int { AudioNone = 0, AudioMicrophone = 1, AudioSystemSound = 2 };

// Screen coordinates, right and bottom inclusive.
struct CaptureRectangle {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  int Width() const { return right - left + 1; }
  int Height() const { return bottom - top + 1; }
};

constexpr size_t kOutputPathBytes = 260;
// A recording's AVI file is closed and the next part begun before it reaches this size.
constexpr uint64_t kPartByteLimit = 1ull << 30;

// A part's sound runs to the end of its run's WAV file.
constexpr uint32_t kSoundToEnd = 0xFFFFFFFF;

// One part of a recording with sound: the temporary picture file, the part's final path, and
// its sound: the section of its capture run's WAV file from stream position `soundStart` of the
// run (200 positions per second) up to `soundEnd`, where the next part of the run begins.
struct RecordedPart {
  std::string videoPath;
  std::string finalPath;
  int run = 1;
  std::string soundPath;
  uint32_t soundStart = 0;
  uint32_t soundEnd = kSoundToEnd;
};

constexpr DWORD kFourccMsvc = mmioFOURCC('M', 'S', 'V', 'C');

// The state of one recording (from one _OnRecord@12 to the end of its last capture thread).
// Each recording has its own, so that a run still finishing its files after its stop shares
// nothing with the next recording, which starts at once.
struct RecorderState : std::enable_shared_from_this<RecorderState> {
  // 1 while a capture thread is meant to run; the host's thread and the capture thread share it.
  std::atomic<int> recording{0};
  // The recording's pauses (_OnPause@4): the host's thread sets them, the capture thread and the
  // microphone's data handler read them.
  PauseClock pauses;
  // The recording's slides, kept beside the output file; made by _OnRecord@12, finished when
  // its last capture run ends (_OnMark@0 marks a picture from the host's thread).
  std::shared_ptr<SlideShow> slides;
  HWND callbackWindow = nullptr;
  char outputPath[kOutputPathBytes] = {};
  AudioMode audioMode = AudioNone;
  int screenWidth = 0;
  int screenHeight = 0;
  CaptureRectangle captureRectangle;
  std::string tempVideoPath;
  std::string tempSoundPath;
  // 0: the Windows temp folder may be used; 1: it was unusable, the program's folder is used.
  int tempDirectoryChoice = 0;
  // 'MSVC' once the recording used its one restart after a failed AVI call.
  DWORD CompressorFallback = 0;
  // Set when a run failed in the system's compressor: from then on frames are compressed by our
  // own MS Video 1 driver, opened directly (see FrameCompressor.h).
  bool ownCompressor = false;
  // The screen recording's data-rate budget in megabytes a minute at 1920 x 1080 (0: none), read
  // from the host's Setup.ini at every _OnRecord@12 (ScreenBudgetSetting.h).
  int screenBudgetMBPerMinute = 0;
  // The part of the recording that the capture writes (1: the output path itself).
  int partNumber = 1;
  uint64_t partByteLimit = kPartByteLimit;
  // Frames written into the recording's parts since the last _OnRecord@12 (capture thread only).
  uint32_t framesWritten = 0;
  // The capture run of the recording (1; 2 after the restart); each run has its own sound file.
  int runNumber = 1;
  // With sound: the parts written so far, for the merge at the end.
  std::vector<RecordedPart> recordedParts;
  // Stream positions that the recording's parts cover so far, added up (capture thread only).
  uint64_t coveredPositions = 0;
};

// The recording the calling thread works for: a capture thread's own, on any other thread the
// host's (the one the last _OnRecord@12 began).
RecorderState& Recorder();
// Begins a new recording's state and makes it the host's. What holds for the life of the
// process carries over: the sound source, the temp folder's choice, our own compressor once the
// system's failed, the part size. Everything else starts afresh, the restart allowance too.
RecorderState& BeginRecordingState();
// Makes `state` the recording the calling thread works for (a capture thread, for its life);
// nullptr makes it the host's again.
void WorkFor(RecorderState* state);

// Puts the host's record back to its state at load (tests only; no capture thread may run).
void ResetRecorderState();
