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

// Writes one frame at a stream position; a non-zero result ends the loop.
using FrameWriter = std::function<HRESULT(BITMAPINFOHEADER* frame, uint32_t index)>;

FrameLoopEnd RunFrameLoop(const CaptureRectangle& rectangle, const FrameWriter& write);
