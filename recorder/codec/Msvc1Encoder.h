// MS Video 1 (16-bit) encoder: RGB555 bottom-up frames in, compressed frames out.
// Shared by the screen recorder's compressor driver and the test writer of the testbed.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

class Msvc1Encoder {
public:
  // quality 0..10000 as in AVICOMPRESSOPTIONS (higher means a smaller error bound).
  Msvc1Encoder(int width, int height, int quality);

  int Width() const { return width_; }
  int Height() const { return height_; }
  // Upper bound of one compressed frame in bytes.
  size_t MaxFrameBytes() const;
  // Encodes one frame; rows are bottom-up with a stride of ((width * 2 + 3) & ~3) bytes.
  // A key frame is made when asked or when there is no previous frame; *isKeyFrame tells.
  // Returns the number of bytes written to `out` (at least MaxFrameBytes() long).
  size_t Encode(const uint8_t* pixels, uint8_t* out, bool keyFrame, bool* isKeyFrame);

private:
  int width_;
  int height_;
  int quality_;
  std::vector<uint8_t> previous_;  // the decoder's picture after the last frame
  bool havePrevious_ = false;
};
