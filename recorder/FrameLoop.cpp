#include "recorder/FrameLoop.h"

#include "recorder/Clock.h"
#include "recorder/PackedDib.h"
#include "recorder/ScreenFrame.h"

uint32_t FrameIndexAt(DWORD elapsedMs) {
  double steps = (elapsedMs / 1000.0) * (1000.0 / kCaptureIntervalMs);
  return static_cast<uint32_t>(static_cast<uint64_t>(steps));
}

namespace {
bool Recording() { return Recorder().recording.load() == 1; }

// The pause between frames in 50 ms slices, so that a long interval still ends soon after a stop.
void WaitCaptureInterval() {
  for (DWORD slice = 0; slice < kCaptureIntervalMs / 50 && Recording(); ++slice) Sleep(50);
  if (Recording()) Sleep(kCaptureIntervalMs % 50);
}
}  // namespace

FrameLoopEnd RunFrameLoop(const CaptureRectangle& rectangle, const FrameWriter& write) {
  DWORD start = RecorderNow();
  bool firstFrame = true;
  uint32_t lastIndex = 0;
  ScreenGrabber grabber(rectangle.left, rectangle.top, rectangle.Width(), rectangle.Height());
  do {
    DWORD elapsed = firstFrame ? 0 : RecorderNow() - start;
    BITMAPINFOHEADER* frame = grabber.Grab();
    if (!frame) return FrameLoopEnd::OutOfMemory;
    uint32_t index = firstFrame ? 0 : FrameIndexAt(elapsed);
    // A later frame still in step 0 shares the first frame's position and is dropped like any
    // other frame of an already written step.
    bool writeFrame = firstFrame || index > lastIndex;
    firstFrame = false;
    if (writeFrame) {
      if (write(frame, index) != 0) {
        FreeDib(frame);
        return FrameLoopEnd::WriteFailed;
      }
      lastIndex = index;
    }
    FreeDib(frame);
    WaitCaptureInterval();
  } while (Recording());
  return FrameLoopEnd::Stopped;
}
