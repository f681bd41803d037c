#include "recorder/FrameChange.h"

#include "recorder/PackedDib.h"

#include <emmintrin.h>

#include <algorithm>
#include <cstring>

namespace {
constexpr size_t kStretch = 64;

// Whether 64 bytes differ, four 16-byte loads at a time.
inline bool StretchDiffers(const uint8_t* a, const uint8_t* b) {
  __m128i d = _mm_setzero_si128();
  for (size_t i = 0; i < kStretch; i += 16) {
    d = _mm_or_si128(d, _mm_xor_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(a + i)),
                                      _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + i))));
  }
  return _mm_movemask_epi8(_mm_cmpeq_epi8(d, _mm_setzero_si128())) != 0xFFFF;
}
}  // namespace

size_t FirstDifference(const uint8_t* a, const uint8_t* b, size_t bytes) {
  size_t at = 0;
  for (; at + kStretch <= bytes; at += kStretch)
    if (StretchDiffers(a + at, b + at)) return at;
  if (at < bytes && std::memcmp(a + at, b + at, bytes - at) != 0) return at;
  return bytes;
}

size_t LastDifference(const uint8_t* a, const uint8_t* b, size_t bytes) {
  size_t end = bytes;
  for (; end >= kStretch; end -= kStretch)
    if (StretchDiffers(a + end - kStretch, b + end - kStretch)) return end - kStretch;
  if (end > 0 && std::memcmp(a, b, end) != 0) return 0;
  return bytes;
}

bool FrameChange::Differs(const BITMAPINFOHEADER* frame, Rows* changed, ChangedBlocks* blocks) {
  const uint8_t* pixels = DibPixels(const_cast<BITMAPINFOHEADER*>(frame));
  const size_t bytes = frame->biSizeImage;
  if (blocks) blocks->Clear();
  if (last_.size() != bytes) {
    last_.assign(pixels, pixels + bytes);
    if (blocks) blocks->many = true;
    return true;
  }
  const size_t first = FirstDifference(pixels, last_.data(), bytes);
  if (first == bytes) return false;
  if (changed) {
    // The exact bytes within the first and the last differing stretch: a stretch may reach
    // across the end of a row.
    size_t firstByte = first;
    while (pixels[firstByte] == last_[firstByte]) ++firstByte;
    size_t lastByte = std::min(bytes, LastDifference(pixels, last_.data(), bytes) + kStretch) - 1;
    while (pixels[lastByte] == last_[lastByte]) --lastByte;
    const size_t rowBytes = DibRowBytes(frame->biWidth, frame->biBitCount);
    changed->first = static_cast<long>(firstByte / rowBytes);
    changed->last = static_cast<long>(lastByte / rowBytes);
  }
  if (blocks) {
    const PictureShape shape = {frame->biWidth, frame->biHeight, DibRowBytes(frame->biWidth, frame->biBitCount)};
    TakeChangedBlocks(pixels, last_.data(), shape, first, *blocks);
    return true;
  }
  // Everything before the first difference is the same already.
  std::memcpy(last_.data() + first, pixels + first, bytes - first);
  return true;
}
