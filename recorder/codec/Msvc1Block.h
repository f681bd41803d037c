// Codes one 4x4 block of MS Video 1 (16-bit): a one-colour fill, two colours or eight colours.
#pragma once
#include <cstddef>
#include <cstdint>

namespace msvc1 {

// Code words of the bitstream (little-endian 16-bit words).
constexpr uint16_t kSkipCode = 0x8400;     // 0x8400 + n skips n blocks, n < 1024
constexpr int kMaxSkipRun = 1023;
constexpr uint16_t kFillFlag = 0x8000;     // fill word: 0x8000 | RGB555 colour
constexpr uint16_t kEightColourFlag = 0x8000;  // set in the first colour of an eight-colour block
constexpr size_t kMaxBlockBytes = 18;      // flags word and eight colours

// Largest sum of squared errors (in 5-bit channel steps, over 16 pixels and 3 channels) that a
// block may keep for the given quality 0..10000; 10000 keeps only exact codes.
int ErrorBoundForQuality(int quality);

// Codes a block whose 16 RGB555 pixels are given in bitstream order (bottom row first, each
// row left to right). Uses the cheapest code that stays within `errorBound`, or else the
// eight-colour code. Returns the number of bytes written (2, 6 or 18).
size_t EncodeBlock(const uint16_t pixels[16], int errorBound, uint8_t* out);

}  // namespace msvc1
