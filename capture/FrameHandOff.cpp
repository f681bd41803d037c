#include "capture/FrameHandOff.h"

#include <new>

FrameHandOff::~FrameHandOff() {
  delete published_.exchange(nullptr);
  delete spare_.exchange(nullptr);
}

FrameCopyPtr FrameHandOff::Blank() {
  FrameCopy* spare = spare_.exchange(nullptr);
  return FrameCopyPtr(spare ? spare : new (std::nothrow) FrameCopy);
}

void FrameHandOff::Publish(FrameCopyPtr frame) {
  // Each exchange hands the pointer to exactly one side, so a frame replaced before the main
  // window came for it is this thread's again.
  Recycle(FrameCopyPtr(published_.exchange(frame.release())));
}

FrameCopyPtr FrameHandOff::Take() { return FrameCopyPtr(published_.exchange(nullptr)); }

void FrameHandOff::Recycle(FrameCopyPtr frame) {
  if (!frame) return;
  delete spare_.exchange(frame.release());
}
