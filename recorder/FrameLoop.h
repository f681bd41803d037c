// The capture loop: takes frames while the recording flag is set and gives each one the
// position of the moment it was taken, in 5 ms steps of the 200-per-second time base. It waits
// between frames as the screen's changes ask (FramePace.h), moves a moved pointer in the last
// copy of a still screen instead of copying it again, and holds the recording to the
// recorder state's data-rate budget (ScreenBudget.h).
#pragma once
#include "recorder/FrameCost.h"
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
// screen copy with the pointer, the conversion into the packed DIB, the comparison with the
// frame before (with the changed blocks when slides are kept), the slides' look at the frame, the
// compression (when our compressor does it), the rest of the frame write, and
// the pause between frames.
struct FrameLoopStages {
  uint32_t frames = 0;   // frames taken
  uint32_t written = 0;  // frames written
  uint32_t unchanged = 0;  // frames taken that were the same as the one before
  uint32_t leftOut = 0;    // frames the budget left out
  uint32_t belowCapture = 0;  // frames written below the capture's quality
  uint32_t pointerFrames = 0;  // frames made by moving the pointer in the last screen copy
  double grab = 0, convert = 0, compare = 0, slides = 0, encode = 0, write = 0, wait = 0, total = 0;
  DWORD startMs = 0;  // the recorder's clock when the loop began: the time of position 0
};
// Read after the loop has returned.
const FrameLoopStages& LastFrameLoopStages();

// Writes one frame at a stream position at the cost's quality and fills in what it cost; a
// non-zero result ends the loop.
using FrameWriter = std::function<HRESULT(BITMAPINFOHEADER* frame, uint32_t index, FrameCost& cost)>;

// Called with true as the loop begins to wait out a pause and with false as it goes on, so that
// a sound recorded beside the pictures can pause with them.
using PauseFollower = std::function<void(bool paused)>;

FrameLoopEnd RunFrameLoop(const CaptureRectangle& rectangle, const FrameWriter& write,
                          const PauseFollower& followPause = nullptr);
