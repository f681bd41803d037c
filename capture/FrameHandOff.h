// Camera frames passed from the grabber's streaming thread to the main window's thread. A frame
// belongs to exactly one thread at a time: the streaming thread fills it and publishes it, the
// main window takes it whole, so neither ever reads or reallocates a block the other is using.
#pragma once
#include <windows.h>
#include <atomic>
#include <memory>
#include <vector>

// One copied frame: its bytes as the grabber delivered them, and its sample time in seconds.
struct FrameCopy {
  std::vector<BYTE> bytes;
  double sampleTime = 0.0;
};
using FrameCopyPtr = std::unique_ptr<FrameCopy>;

class FrameHandOff {
public:
  FrameHandOff() = default;
  ~FrameHandOff();
  FrameHandOff(const FrameHandOff&) = delete;
  FrameHandOff& operator=(const FrameHandOff&) = delete;

  // Streaming thread: a frame to fill, the block given back last time when there is one.
  FrameCopyPtr Blank();
  // Streaming thread: publishes a filled frame; one published earlier and not taken is reused.
  void Publish(FrameCopyPtr frame);
  // Main window: takes the published frame, or null when none waits.
  FrameCopyPtr Take();
  // Main window: gives a frame it is done with back, so that its block is reused.
  void Recycle(FrameCopyPtr frame);

private:
  std::atomic<FrameCopy*> published_{nullptr};
  std::atomic<FrameCopy*> spare_{nullptr};
};
