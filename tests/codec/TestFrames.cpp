#include "tests/codec/TestFrames.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

uint16_t Rgb(int r, int g, int b) {
  auto clamp5 = [](int v) { return std::clamp(v, 0, 31); };
  return uint16_t((clamp5(r) << 10) | (clamp5(g) << 5) | clamp5(b));
}

uint32_t NextRandom(uint32_t& state) {
  state = state * 1664525u + 1013904223u;
  return state >> 8;
}

}  // namespace

TestFrame MakeFrame(int width, int height, uint16_t colour) {
  TestFrame frame;
  frame.width = width;
  frame.height = height;
  frame.pixels.assign(size_t(width) * height, colour);
  return frame;
}

std::vector<uint8_t> ToDib(const TestFrame& frame) {
  const size_t stride = (size_t(frame.width) * 2 + 3) & ~size_t(3);
  std::vector<uint8_t> dib(stride * frame.height, 0);
  for (int y = 0; y < frame.height; ++y)
    std::memcpy(dib.data() + stride * (frame.height - 1 - y), &frame.pixels[size_t(y) * frame.width],
                size_t(frame.width) * 2);
  return dib;
}

TestFrame TwoColourCells(int width, int height, uint32_t seed) {
  TestFrame frame = MakeFrame(width, height);
  uint32_t state = seed;
  // Cells are aligned to the bottom row, as the blocks of the bitstream are.
  for (int cy = 0; cy < (height + 1) / 2; ++cy)
    for (int cx = 0; cx < (width + 1) / 2; ++cx) {
      const uint16_t a = uint16_t(NextRandom(state) & 0x7FFF);
      const uint16_t b = uint16_t(NextRandom(state) & 0x7FFF);
      const uint32_t pattern = NextRandom(state);
      for (int k = 0; k < 4; ++k) {
        const int x = cx * 2 + (k & 1), yFromBottom = cy * 2 + (k >> 1);
        if (x < width && yFromBottom < height)
          frame.At(x, height - 1 - yFromBottom) = (pattern >> k) & 1 ? a : b;
      }
    }
  return frame;
}

TestFrame NaturalPicture(int width, int height, int phase) {
  TestFrame frame = MakeFrame(width, height);
  uint32_t state = 12345u + uint32_t(phase);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const double u = double(x + phase * 3) / width, v = double(y + phase) / height;
      const int ripple = int(3 * std::sin((x + phase * 3) * 0.21) * std::cos(y * 0.17));
      const int noise = int(NextRandom(state) % 3) - 1;
      frame.At(x, y) = Rgb(int(31 * u) + ripple + noise, int(31 * v) - ripple,
                           int(16 + 15 * std::sin(6.0 * (u + v))) + noise);
    }
  return frame;
}

TestFrame SlidePicture(int width, int height) {
  TestFrame frame = MakeFrame(width, height, Rgb(30, 30, 29));
  const int bar = std::max(4, height / 10);
  for (int y = 0; y < bar; ++y)
    for (int x = 0; x < width; ++x) frame.At(x, y) = Rgb(4, 10 + 12 * x / width, 22);
  uint32_t state = 99;
  // Lines of "glyphs": short strokes with a grey anti-aliasing fringe.
  for (int line = bar + 8; line + 12 < height; line += 20)
    for (int x = 10; x + 8 < width - 10; x += 9) {
      if (NextRandom(state) % 7 == 0) continue;
      const uint32_t shape = NextRandom(state);
      for (int gy = 0; gy < 12; ++gy)
        for (int gx = 0; gx < 7; ++gx) {
          const bool ink = ((shape >> ((gy / 3) * 3 + gx / 3)) & 1) != 0;
          if (ink) frame.At(x + gx, line + gy) = (gx == 0 || gy == 0) ? Rgb(14, 14, 15) : Rgb(2, 2, 3);
        }
    }
  return frame;
}

void DrawPointer(TestFrame& frame, int x, int y) {
  for (int dy = 0; dy < 16; ++dy)
    for (int dx = 0; dx <= dy / 2 + 1; ++dx) {
      const int px = x + dx, py = y + dy;
      if (px < 0 || py < 0 || px >= frame.width || py >= frame.height) continue;
      frame.At(px, py) = (dx == 0 || dx == dy / 2 + 1 || dy == 15) ? 0 : 0x7FFF;
    }
}

int MaxChannelError(const TestFrame& a, const TestFrame& b) {
  int worst = 0;
  for (size_t i = 0; i < a.pixels.size(); ++i)
    for (int shift = 0; shift <= 10; shift += 5)
      worst = std::max(worst, std::abs(((a.pixels[i] >> shift) & 31) - ((b.pixels[i] >> shift) & 31)));
  return worst;
}

double Psnr(const TestFrame& a, const TestFrame& b) {
  double sum = 0;
  for (size_t i = 0; i < a.pixels.size(); ++i)
    for (int shift = 0; shift <= 10; shift += 5) {
      // 5-bit values widened to 8 bits the way ffmpeg's converters do.
      auto widen = [](int v) { return (v << 3) | (v >> 2); };
      const double d = widen((a.pixels[i] >> shift) & 31) - widen((b.pixels[i] >> shift) & 31);
      sum += d * d;
    }
  const double mse = sum / (3.0 * a.pixels.size());
  return mse == 0 ? 100.0 : 10.0 * std::log10(255.0 * 255.0 / mse);
}
