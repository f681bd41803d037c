// A screen made up by a test, 16-bit like the recorder's frames, with a pointer drawn in as the
// recorder draws it: each Take hands one frame to the same change finder and slide detector that
// the frame loop uses, without a real screen.
#pragma once
#include "recorder/FrameChange.h"
#include "recorder/slides/SlideDetector.h"

#include <windows.h>
#include <cstdint>
#include <vector>

class ScriptedScreen {
public:
  ScriptedScreen(int width, int height);

  // Drawing on the screen (the pointer is never part of it); colours are 5-5-5.
  void Fill(int x, int y, int width, int height, uint16_t colour);
  // Moves the rows of the rectangle up by `pixels`, filling the bottom with `colour`.
  void ScrollUp(int x, int y, int width, int height, int pixels, uint16_t colour);
  // A "slide": a background, a title bar and lines of text-like bars, all from `seed`.
  void DrawSlide(int seed);
  void PointerAt(int x, int y) { pointerX_ = x, pointerY_ = y; }

  // A frame taken at `position`: true when the detector finds a new slide in it.
  bool Take(uint32_t position);
  // Positions at which the slides found so far first appeared.
  const std::vector<uint32_t>& Slides() const { return slides_; }

  int Width() const { return width_; }
  int Height() const { return height_; }

private:
  int width_, height_;
  PictureShape shape_;
  std::vector<uint16_t> screen_;  // top-down
  std::vector<uint8_t> frame_;    // a packed DIB: header and bottom-up rows
  int pointerX_ = 0, pointerY_ = 0;
  FrameChange change_;
  ChangedBlocks blocks_;
  SlideDetector detector_;
  std::vector<uint32_t> slides_;
};

// Pointer size as the recorder draws it.
constexpr int kPointerWidth = 32, kPointerHeight = 32;
