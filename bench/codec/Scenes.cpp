#include "bench/codec/Scenes.h"

#include <algorithm>
#include <cmath>

namespace {

uint16_t Rgb(int r, int g, int b) {
  auto c = [](int v) { return std::clamp(v, 0, 31); };
  return uint16_t((c(r) << 10) | (c(g) << 5) | c(b));
}

uint32_t Next(uint32_t& state) {
  state = state * 1664525u + 1013904223u;
  return state >> 8;
}

// Grey levels of anti-aliased dark text on a white page.
const uint16_t kInk[4] = {Rgb(31, 31, 31), Rgb(22, 22, 23), Rgb(12, 12, 13), Rgb(2, 2, 4)};

// Draws a 7 x 12 glyph whose shape comes from `shape`, with soft edges.
void Glyph(std::vector<uint16_t>& picture, int width, int height, int x, int y, uint32_t shape) {
  for (int gy = 0; gy < 12; ++gy)
    for (int gx = 0; gx < 7; ++gx) {
      const int cell = (gy / 3) * 3 + std::min(2, gx / 3);
      if (!((shape >> cell) & 1)) continue;
      const bool edge = gx % 3 == 2 || gy % 3 == 2;
      const int px = x + gx, py = y + gy;
      if (px >= 0 && py >= 0 && px < width && py < height)
        picture[size_t(py) * width + px] = kInk[edge ? 2 : 3];
    }
}

void TextLines(std::vector<uint16_t>& picture, int width, int height, int top, int bottom, uint32_t seed) {
  uint32_t state = seed;
  for (int line = top; line + 14 < bottom; line += 22) {
    const int length = width * 6 / 10 + int(Next(state) % (width / 3));
    for (int x = 60; x + 8 < std::min(length, width - 40); x += 8) {
      if (Next(state) % 6 == 0) continue;  // a space
      Glyph(picture, width, height, x, line, Next(state));
    }
  }
}

void Pointer(std::vector<uint16_t>& picture, int width, int height, int x, int y) {
  for (int dy = 0; dy < 19; ++dy)
    for (int dx = 0; dx <= dy * 2 / 3 + 1 && dx < 12; ++dx) {
      const int px = x + dx, py = y + dy;
      if (px < 0 || py < 0 || px >= width || py >= height) continue;
      const bool outline = dx == 0 || dx == dy * 2 / 3 + 1 || dy == 18;
      picture[size_t(py) * width + px] = outline ? 0 : 0x7FFF;
    }
}

}  // namespace

SceneGenerator::SceneGenerator(const std::string& scene, int width, int height)
    : scene_(scene), width_(width), height_(height) {
  if (scene == "slide" || scene == "still") {
    page_.assign(size_t(width) * height, kInk[0]);
    const int bar = height / 8;
    for (int y = 0; y < bar; ++y)
      for (int x = 0; x < width; ++x) page_[size_t(y) * width + x] = Rgb(3, 8 + 10 * x / width, 20 + 6 * y / bar);
    for (int y = bar / 3; y < bar / 3 + 24; ++y)  // title text in white on the bar
      for (int x = 80; x < width / 2; ++x)
        if ((x / 5 + y / 6) % 3 == 0) page_[size_t(y) * width + x] = Rgb(31, 31, 31);
    // A photo on the right half, then body text on the left.
    for (int y = bar + 40; y < height * 3 / 4; ++y)
      for (int x = width * 6 / 10; x < width - 50; ++x)
        page_[size_t(y) * width + x] = Rgb(int(12 + 8 * std::sin(x * 0.03) + 4 * std::cos(y * 0.05)),
                                           int(14 + 6 * std::sin((x + y) * 0.02)), int(18 + 9 * std::cos(y * 0.04)));
    TextLines(page_, width, height, bar + 40, height * 3 / 4, 7);
  } else if (scene == "scroll") {
    page_.assign(size_t(width) * height * 3, kInk[0]);
    TextLines(page_, width, height * 3, 10, height * 3, 11);
  } else if (scene == "bands") {
  } else if (scene == "pan") {
    const int w = width + 256, h = height + 256;
    texture_.resize(size_t(w) * h);
    uint32_t state = 5;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const double u = x * 0.013, v = y * 0.011;
        const int noise = int(Next(state) % 3) - 1;
        texture_[size_t(y) * w + x] =
            Rgb(int(15 + 10 * std::sin(u) * std::cos(v * 1.3) + 4 * std::sin(x * 0.21)) + noise,
                int(15 + 9 * std::cos(u * 0.7 + v)) + noise, int(14 + 12 * std::sin(v * 1.7 - u * 0.4)) + noise);
      }
  } else {
    valid_ = false;
  }
}

std::vector<uint16_t> SceneGenerator::Frame(int index) const {
  if (scene_ == "slide") return Slide(index, false);
  if (scene_ == "still") return Slide(index, true);
  if (scene_ == "scroll") return Scroll(index);
  if (scene_ == "bands") return Bands(index);
  return Pan(index);
}

std::vector<uint16_t> SceneGenerator::Slide(int index, bool still) const {
  std::vector<uint16_t> frame = page_;
  if (still) return frame;
  // The line being typed grows by one glyph per frame; the pointer crosses the slide.
  uint32_t state = 3;
  const int line = height_ * 3 / 4 + 30;
  for (int k = 0; k <= index % 120; ++k) {
    const uint32_t shape = Next(state);
    Glyph(frame, width_, height_, 60 + 8 * k, line, shape);
  }
  Pointer(frame, width_, height_, (index * 13) % width_, height_ / 3 + (index * 7) % (height_ / 3));
  return frame;
}

std::vector<uint16_t> SceneGenerator::Scroll(int index) const {
  const int offset = (index * 3) % (height_ * 2);
  return std::vector<uint16_t>(page_.begin() + size_t(offset) * width_,
                               page_.begin() + size_t(offset + height_) * width_);
}

std::vector<uint16_t> SceneGenerator::Pan(int index) const {
  const int w = width_ + 256, dx = (index * 3) % 256, dy = (index * 2) % 256;
  std::vector<uint16_t> frame(size_t(width_) * height_);
  for (int y = 0; y < height_; ++y)
    std::copy_n(texture_.begin() + size_t(y + dy) * w + dx, width_, frame.begin() + size_t(y) * width_);
  return frame;
}

std::vector<uint16_t> SceneGenerator::Bands(int index) const {
  // Bands 16 pixels wide leaning right by one pixel a row; band k starts at x = 16k - height.
  std::vector<uint16_t> frame(size_t(width_) * height_);
  const int shift = (index * 7) % 16;
  for (int y = 0; y < height_; ++y)
    for (int x = 0; x < width_; ++x) {
      const int k = (x - y - shift + height_) >> 4;
      const int base = 16 * k - height_;
      frame[size_t(y) * width_ + x] = Rgb(((base * 3 + index) & 255) >> 3, ((base + index * 5) & 255) >> 3, ((base * 7) & 255) >> 3);
    }
  return frame;
}
