// The capture loop: takes frames while the recording flag is set and gives each one the
// position of the moment it was taken, in 5 ms steps of the 200-per-second time base.
#pragma once
#include "recorder/RecorderState.h"

#include <windows.h>
#include <cstdint>
#include <functional>

constexpr DWORD kCaptureIntervalMs = 5;
constexpr DWORD kStreamRate = 200;

// The stream position of a frame taken `elapsedMs` after the start.
uint32_t FrameIndexAt(DWORD elapsedMs);

enum class FrameLoopEnd { Stopped, WriteFailed, OutOfMemory };

// Where the frames of the last run of the loop spent their time, in seconds of wall time: the
// screen copy with the pointer, the conversion into the packed DIB, the compression (when our
// compressor does it), the rest of the frame write, and the pause between frames.
struct FrameLoopStages {
  uint32_t frames = 0;   // frames taken
  uint32_t written = 0;  // frames written
  double grab = 0, convert = 0, encode = 0, write = 0, wait = 0, total = 0;
};
// Read after the loop has returned.
const FrameLoopStages& LastFrameLoopStages();

// Writes one frame at a stream position; a non-zero result ends the loop.
using FrameWriter = std::function<HRESULT(BITMAPINFOHEADER* frame, uint32_t index)>;

FrameLoopEnd RunFrameLoop(const CaptureRectangle& rectangle, const FrameWriter& write);
