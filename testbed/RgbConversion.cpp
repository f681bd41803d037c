#include "testbed/RgbConversion.h"

#include <cstring>

#include "testbed/com/Base.h"

namespace testbed {
namespace {

bool Supported(int bits) { return bits == 16 || bits == 24 || bits == 32; }

void ReadPixel(const uint8_t* p, int bits, uint8_t& r, uint8_t& g, uint8_t& b) {
  if (bits == 16) {
    uint16_t v = static_cast<uint16_t>(p[0] | (p[1] << 8));
    // Five bits widened to eight by repeating the top bits, so white stays white.
    uint8_t r5 = (v >> 10) & 31, g5 = (v >> 5) & 31, b5 = v & 31;
    r = static_cast<uint8_t>((r5 << 3) | (r5 >> 2));
    g = static_cast<uint8_t>((g5 << 3) | (g5 >> 2));
    b = static_cast<uint8_t>((b5 << 3) | (b5 >> 2));
  } else {
    b = p[0];
    g = p[1];
    r = p[2];
  }
}

void WritePixel(uint8_t* p, int bits, uint8_t r, uint8_t g, uint8_t b) {
  if (bits == 16) {
    uint16_t v = PackRgb555(r, g, b);
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
  } else {
    p[0] = b;
    p[1] = g;
    p[2] = r;
    if (bits == 32) p[3] = 0;
  }
}

}  // namespace

bool ConvertRgb(const uint8_t* src, int srcBits, uint8_t* dst, int dstBits, int width, int height) {
  if (!Supported(srcBits) || !Supported(dstBits)) return false;
  int srcStride = DibStride(width, srcBits);
  int dstStride = DibStride(width, dstBits);
  int srcStep = srcBits / 8, dstStep = dstBits / 8;
  for (int y = 0; y < height; ++y) {
    const uint8_t* s = src + static_cast<size_t>(y) * srcStride;
    uint8_t* d = dst + static_cast<size_t>(y) * dstStride;
    if (srcBits == dstBits) {
      std::memcpy(d, s, dstStride);
      continue;
    }
    for (int x = 0; x < width; ++x) {
      uint8_t r, g, b;
      ReadPixel(s + x * srcStep, srcBits, r, g, b);
      WritePixel(d + x * dstStep, dstBits, r, g, b);
    }
    std::memset(d + width * dstStep, 0, dstStride - width * dstStep);
  }
  return true;
}

}  // namespace testbed
