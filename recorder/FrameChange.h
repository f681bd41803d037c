// Tells whether a 16-bit frame's pixels differ from those of the frame taken before it (the pointer is
// drawn into the frames, so a moved pointer is a change). Keeps its own copy of the last frame:
// the grabber reuses one block for every frame.
#pragma once
#include "recorder/slides/BlockChanges.h"

#include <windows.h>
#include <cstdint>
#include <vector>

class FrameChange {
public:
  // The stored pixel rows (counted from the DIB's bottom row) between the first and the last
  // difference, both included.
  struct Rows {
    long first = 0;
    long last = 0;
  };
  // True for the first frame, for a frame of another size and for every frame whose pixels
  // differ from the last one's. With `changed`, a frame that differs from one of its size says
  // which rows its differences span (costs a second search, from the end). With `blocks`, the
  // 4x4 blocks that changed are listed in the same pass that keeps the copy (all of them, as
  // many, for a first frame or one of another size).
  bool Differs(const BITMAPINFOHEADER* frame, Rows* changed = nullptr, ChangedBlocks* blocks = nullptr);

private:
  std::vector<uint8_t> last_;
};

// The offset of the first 64-byte stretch in which `a` and `b` differ (the last stretch may be
// shorter), or `bytes` when they are equal.
size_t FirstDifference(const uint8_t* a, const uint8_t* b, size_t bytes);
// The offset of a byte in the last 64-byte stretch, counted from the end, in which `a` and `b`
// differ, or `bytes` when they are equal.
size_t LastDifference(const uint8_t* a, const uint8_t* b, size_t bytes);
