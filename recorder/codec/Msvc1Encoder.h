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
  int Quality() const { return quality_; }
  // Takes effect from the next frame.
  void SetQuality(int quality);
  // Upper bound of one compressed frame in bytes.
  size_t MaxFrameBytes() const;
  // Encodes one frame; rows are bottom-up with a stride of ((width * 2 + 3) & ~3) bytes.
  // A key frame is made when asked or when there is no previous frame; *isKeyFrame tells.
  // Returns the number of bytes written to `out` (at least MaxFrameBytes() long).
  size_t Encode(const uint8_t* pixels, uint8_t* out, bool keyFrame, bool* isKeyFrame);
  // The next frame will be a key frame.
  void Reset() { havePrevious_ = false; }

private:
  // Copies block (column, row) in bitstream order, repeating the last column and row of the
  // picture where the block reaches beyond it.
  void GatherBlock(const uint8_t* pixels, int column, int row, uint16_t block[16]) const;
  bool BlockUnchanged(const uint8_t* pixels, int column, int row) const;

  int width_;
  int height_;
  int quality_;
  int errorBound_;
  size_t stride_;
  int blockColumns_;
  int blockRows_;
  std::vector<uint8_t> previous_;  // the last input frame; unchanged blocks are skipped
  bool havePrevious_ = false;
};
