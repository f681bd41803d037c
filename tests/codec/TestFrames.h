// Synthetic RGB555 pictures for the codec tests, kept top-down without row padding (the layout
// of ffmpeg's rgb555le output) and converted to bottom-up DIB rows for the encoder.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct TestFrame {
  int width = 0;
  int height = 0;
  std::vector<uint16_t> pixels;  // top row first

  uint16_t& At(int x, int y) { return pixels[size_t(y) * width + x]; }
  uint16_t At(int x, int y) const { return pixels[size_t(y) * width + x]; }
};

TestFrame MakeFrame(int width, int height, uint16_t colour = 0);
// Bottom-up rows with a stride of ((width * 2 + 3) & ~3) bytes.
std::vector<uint8_t> ToDib(const TestFrame& frame);
// Two random colours in every 2x2 cell: an eight-colour code represents it exactly.
TestFrame TwoColourCells(int width, int height, uint32_t seed);
// Smooth gradients with fine ripples and noise: needs the lossy codes.
TestFrame NaturalPicture(int width, int height, int phase);
// A light slide with dark glyph-like strokes and a coloured title bar.
TestFrame SlidePicture(int width, int height);
// Paints a small arrow-like pointer with its tip at (x, y), clipped by the picture.
void DrawPointer(TestFrame& frame, int x, int y);
// Largest difference of one 5-bit channel between two frames of the same size.
int MaxChannelError(const TestFrame& a, const TestFrame& b);
// Peak signal-to-noise ratio over the three channels scaled to 8 bits (100 when equal).
double Psnr(const TestFrame& a, const TestFrame& b);
