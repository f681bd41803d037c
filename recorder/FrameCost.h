// What the frame loop asks of one frame's write and learns back from it.
#pragma once
#include <windows.h>
#include <cstdint>

// The capture's quality, and the one a frame gets when nothing else is asked for.
constexpr DWORD kCaptureQuality = 8000;

// The quality to compress the frame at (where frames are compressed one by one), and, once
// written, its compressed size in bytes and whether it became a key frame (both known only where
// the frame is compressed by the recorder itself; 0 and false through the AVI library's stream).
struct FrameCost {
  DWORD quality = kCaptureQuality;
  uint32_t bytes = 0;
  bool keyFrame = false;
};
