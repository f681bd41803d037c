// The recorder's process-wide state: one record, zero at load, never freed.
#pragma once
#include <windows.h>
#include <atomic>
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

// One part of a recording with sound: the temporary picture file and the part's final path.
struct RecordedPart {
  std::string videoPath;
  std::string finalPath;
};

constexpr DWORD kFourccMsvc = mmioFOURCC('M', 'S', 'V', 'C');

struct RecorderState {
  // 1 while a capture thread is meant to run; the host's thread and the capture thread share it.
  std::atomic<int> recording{0};
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
  DWORD CompressorFallback = 0;
  // The part of the recording that the capture writes (1: the output path itself).
  int partNumber = 1;
  uint64_t partByteLimit = kPartByteLimit;
  // Frames written into the recording's parts since the last _OnRecord@12 (capture thread only).
  uint32_t framesWritten = 0;
  // With sound: the parts before the current one, for the merge at the end.
  std::vector<RecordedPart> earlierParts;
};

RecorderState& Recorder();

// Puts the record back to its state at load (tests only; no capture thread may run).
void ResetRecorderState();
