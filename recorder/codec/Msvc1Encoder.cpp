#include "recorder/codec/Msvc1Encoder.h"

#include "recorder/codec/Msvc1Block.h"

#include <algorithm>
#include <cstring>

namespace {

inline uint8_t* Put16(uint8_t* out, unsigned value) {
  out[0] = uint8_t(value);
  out[1] = uint8_t(value >> 8);
  return out + 2;
}

// Writes `count` skipped blocks as skip codes of at most 1023 blocks each.
uint8_t* PutSkips(uint8_t* out, int count) {
  while (count > 0) {
    const int run = std::min(count, msvc1::kMaxSkipRun);
    out = Put16(out, msvc1::kSkipCode + run);
    count -= run;
  }
  return out;
}

}  // namespace

Msvc1Encoder::Msvc1Encoder(int width, int height, int quality)
    : width_(width),
      height_(height),
      stride_((size_t(width) * 2 + 3) & ~size_t(3)),
      blockColumns_((width + 3) / 4),
      blockRows_((height + 3) / 4),
      previous_(stride_ * size_t(height)) {
  SetQuality(quality);
}

void Msvc1Encoder::SetQuality(int quality) {
  quality_ = std::clamp(quality, 0, 10000);
  errorBound_ = msvc1::ErrorBoundForQuality(quality_);
}

size_t Msvc1Encoder::MaxFrameBytes() const {
  return size_t(blockColumns_) * size_t(blockRows_) * msvc1::kMaxBlockBytes;
}

void Msvc1Encoder::GatherBlock(const uint8_t* pixels, int column, int row, uint16_t block[16]) const {
  const int x0 = column * 4, y0 = row * 4;
  if (x0 + 4 <= width_ && y0 + 4 <= height_) {
    for (int r = 0; r < 4; ++r) std::memcpy(block + 4 * r, pixels + (y0 + r) * stride_ + x0 * 2, 8);
    return;
  }
  // A partial block at the right or top edge is coded from the picture padded by repetition.
  for (int r = 0; r < 4; ++r) {
    const uint8_t* line = pixels + std::min(y0 + r, height_ - 1) * stride_;
    for (int c = 0; c < 4; ++c)
      std::memcpy(block + 4 * r + c, line + std::min(x0 + c, width_ - 1) * 2, 2);
  }
}

bool Msvc1Encoder::BlockUnchanged(const uint8_t* pixels, int column, int row) const {
  const int x0 = column * 4, y0 = row * 4;
  const size_t bytes = size_t(std::min(4, width_ - x0)) * 2;
  const int lines = std::min(4, height_ - y0);
  for (int r = 0; r < lines; ++r) {
    const size_t at = (y0 + r) * stride_ + x0 * 2;
    if (std::memcmp(pixels + at, previous_.data() + at, bytes) != 0) return false;
  }
  return true;
}

size_t Msvc1Encoder::Encode(const uint8_t* pixels, uint8_t* out, bool keyFrame, bool* isKeyFrame) {
  const bool key = keyFrame || !havePrevious_;
  const size_t rowBytes = size_t(width_) * 2;
  uint8_t* cursor = out;
  int skipped = 0;
  uint16_t block[16];
  for (int row = 0; row < blockRows_; ++row) {
    const int lines = std::min(4, height_ - row * 4);
    const uint8_t* band = pixels + size_t(row) * 4 * stride_;
    uint8_t* previousBand = previous_.data() + size_t(row) * 4 * stride_;
    if (!key) {
      bool bandUnchanged = true;
      for (int r = 0; r < lines && bandUnchanged; ++r)
        bandUnchanged = std::memcmp(band + r * stride_, previousBand + r * stride_, rowBytes) == 0;
      if (bandUnchanged) {
        skipped += blockColumns_;
        continue;
      }
    }
    for (int column = 0; column < blockColumns_; ++column) {
      if (!key && BlockUnchanged(pixels, column, row)) {
        ++skipped;
        continue;
      }
      cursor = PutSkips(cursor, skipped);
      skipped = 0;
      GatherBlock(pixels, column, row, block);
      cursor += msvc1::EncodeBlock(block, errorBound_, cursor);
    }
    for (int r = 0; r < lines; ++r) std::memcpy(previousBand + r * stride_, band + r * stride_, rowBytes);
  }
  cursor = PutSkips(cursor, skipped);
  havePrevious_ = true;
  if (isKeyFrame) *isKeyFrame = key;
  return size_t(cursor - out);
}
