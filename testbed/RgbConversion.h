// Conversion between the uncompressed bottom-up RGB layouts of DirectShow (RGB32, RGB24 and
// RGB555, given by their bit count 32, 24 and 16); rows are padded to a DWORD.
#pragma once
#include <cstdint>

namespace testbed {

// False for a bit count other than 16, 24 or 32.
bool ConvertRgb(const uint8_t* src, int srcBits, uint8_t* dst, int dstBits, int width, int height);

inline uint16_t PackRgb555(uint8_t r, uint8_t g, uint8_t b) {
  return static_cast<uint16_t>(((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3));
}

}  // namespace testbed
