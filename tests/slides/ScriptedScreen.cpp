#include "tests/slides/ScriptedScreen.h"

#include "recorder/PackedDib.h"

#include <algorithm>
#include <cstring>
#include <memory>

ScriptedScreen::ScriptedScreen(int width, int height)
    : width_(width), height_(height), shape_{width, height, DibRowBytes(width, 16)},
      screen_(static_cast<size_t>(width) * height), detector_(shape_) {
  frame_.assign(sizeof(BITMAPINFOHEADER) + shape_.stride * height, 0);
  auto* header = reinterpret_cast<BITMAPINFOHEADER*>(frame_.data());
  header->biSize = sizeof(BITMAPINFOHEADER);
  header->biWidth = width;
  header->biHeight = height;
  header->biPlanes = 1;
  header->biBitCount = 16;
  header->biCompression = BI_RGB;
  header->biSizeImage = static_cast<DWORD>(shape_.stride * height);
}

void ScriptedScreen::Fill(int x, int y, int width, int height, uint16_t colour) {
  for (int row = std::max(y, 0); row < std::min(y + height, height_); ++row)
    for (int column = std::max(x, 0); column < std::min(x + width, width_); ++column)
      screen_[static_cast<size_t>(row) * width_ + column] = colour;
}

void ScriptedScreen::ScrollUp(int x, int y, int width, int height, int pixels, uint16_t colour) {
  for (int row = y; row < y + height - pixels; ++row)
    std::memcpy(&screen_[static_cast<size_t>(row) * width_ + x], &screen_[static_cast<size_t>(row + pixels) * width_ + x],
                2 * width);
  Fill(x, y + height - pixels, width, pixels, colour);
}

void ScriptedScreen::DrawSlide(int seed) {
  const uint16_t background = static_cast<uint16_t>((seed * 7919 + 1234) & 0x7FFF);
  Fill(0, 0, width_, height_, background);
  Fill(0, 0, width_, height_ / 8, static_cast<uint16_t>(background ^ 0x3DEF));
  for (int line = 0; line < 8; ++line) {
    const int length = width_ / 3 + (seed * 37 + line * 53) % (width_ / 2);
    Fill(width_ / 10, height_ / 5 + line * height_ / 12, length, height_ / 30, static_cast<uint16_t>(~background & 0x7FFF));
  }
}

bool ScriptedScreen::Take(uint32_t position) {
  auto* header = reinterpret_cast<BITMAPINFOHEADER*>(frame_.data());
  uint8_t* pixels = DibPixels(header);
  for (int y = 0; y < height_; ++y)
    std::memcpy(pixels + static_cast<size_t>(height_ - 1 - y) * shape_.stride, &screen_[static_cast<size_t>(y) * width_],
                2 * width_);
  // An arrow-like pointer: black with a white edge, inside its 32 x 32 box.
  for (int y = 0; y < 20; ++y) {
    for (int x = 0; x <= y / 2 && x < 12; ++x) {
      const int px = pointerX_ + x, py = pointerY_ + y;
      if (px < 0 || py < 0 || px >= width_ || py >= height_) continue;
      const uint16_t colour = (x == 0 || x == y / 2 || y == 19) ? 0x7FFF : 0x0000;
      std::memcpy(pixels + static_cast<size_t>(height_ - 1 - py) * shape_.stride + 2 * px, &colour, 2);
    }
  }
  change_.Differs(header, nullptr, &blocks_);
  const BlockBox pointer = BlocksOfPixels(std::max(pointerX_, 0), std::max(pointerY_, 0),
                                          std::min(pointerX_ + kPointerWidth, width_),
                                          std::min(pointerY_ + kPointerHeight, height_));
  if (!detector_.Frame(pixels, position, blocks_, pointer)) return false;
  // The slide is kept without its pointer, as the recorder keeps it.
  auto kept = std::make_shared<std::vector<uint8_t>>(shape_.stride * height_);
  for (int y = 0; y < height_; ++y)
    std::memcpy(kept->data() + static_cast<size_t>(height_ - 1 - y) * shape_.stride,
                &screen_[static_cast<size_t>(y) * width_], 2 * width_);
  detector_.Keep(kept);
  slides_.push_back(detector_.AppearedAt());
  return true;
}
