// The moving picture of a test camera: colour bars, a block that sweeps across the lower
// part once every few seconds, and a caption with the camera's name, the camera's own frame
// number and the stream time, so that a recording shows motion, its own length and, where the
// graph paused, the frames the camera took meanwhile.
#pragma once
#include <cstdint>
#include <string>

#include <windows.h>

#include "framework/Handles.h"

namespace testbed {

class TestPattern {
public:
  // `mirrored` reverses the bars, so that two cameras are told apart at a glance.
  TestPattern(int width, int height, std::wstring cameraName, bool mirrored);
  TestPattern(const TestPattern&) = delete;
  TestPattern& operator=(const TestPattern&) = delete;

  // Draws frame `frameIndex` taken at `streamTime` (100 ns units) into bottom-up rows of
  // `bitCount` bits (16 = RGB555, 24, 32), captioned with `cameraFrame`, the frames the camera
  // has taken since it began streaming. False when the picture could not be drawn.
  bool Render(uint32_t frameIndex, uint32_t cameraFrame, int64_t streamTime, int bitCount, uint8_t* out);

  // The left edge of the sweeping block in frame `frameIndex`.
  static int BlockLeft(uint32_t frameIndex, int width);

private:
  int width_;
  int height_;
  std::wstring name_;
  bool mirrored_;
  MemoryDC dc_;
  GdiObject<HBITMAP> bitmap_;
  GdiObject<HFONT> font_;
  uint8_t* pixels_ = nullptr;  // 32-bit bottom-up rows of the DIB section
};

}  // namespace testbed
