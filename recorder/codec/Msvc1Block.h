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

// Below this quality the encoder chooses each block's code by rate and distortion (see
// EncodeBlockByCost) instead of by the error bound alone; the recorder's 8000 and the test
// camera writer's 7500 keep the bound.
constexpr int kCostQualityBelow = 7000;

// Weight of one byte against squared errors (same units as ErrorBoundForQuality), in sixteenths,
// for a quality below kCostQualityBelow: the lower the quality, the more a byte is worth.
int LambdaForQuality(int quality);

// What keeping the block the decoder shows would cost: its sum of squared errors against the
// new pixels and the bytes it adds to the stream (0 inside a skip run, 2 to start one).
// `error` < 0: the block may not be kept (key frames).
struct SkipOption {
  int error = -1;
  int bytes = 0;
};

// Codes the block with the code (fill, two colours, eight colours, or keeping the shown block)
// that has the smallest sum of squared errors plus lambda16 / 16 per byte. Returns the bytes
// written (0 when the shown block is kept) and sets *error to the chosen code's squared error.
size_t EncodeBlockByCost(const uint16_t pixels[16], int lambda16, SkipOption skip, uint8_t* out, int* error);

// Sum of squared channel differences (5-bit steps) of two blocks of 16 RGB555 pixels.
int BlockError(const uint16_t a[16], const uint16_t b[16]);

// The 16 pixels (bitstream order) that a fill, two-colour or eight-colour code stands for.
void DecodeBlock(const uint8_t* code, uint16_t pixels[16]);

}  // namespace msvc1
