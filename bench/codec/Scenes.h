// Synthetic screen recordings for the encoder benchmark: RGB555 frames, top row first.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// "slide": a still slide with a moving pointer and a line being typed;
// "scroll": a page of text scrolling up; "pan": a photo-like picture panned, every pixel
// changing; "still": the slide without any change; "bands": diagonal colour bands that move 7
// pixels a frame and change colour, as the recorder benchmark's changing scene paints them.
class SceneGenerator {
public:
  SceneGenerator(const std::string& scene, int width, int height);
  bool Valid() const { return valid_; }
  std::vector<uint16_t> Frame(int index) const;

private:
  std::vector<uint16_t> Slide(int index, bool still) const;
  std::vector<uint16_t> Scroll(int index) const;
  std::vector<uint16_t> Pan(int index) const;
  std::vector<uint16_t> Bands(int index) const;

  std::string scene_;
  int width_, height_;
  bool valid_ = true;
  std::vector<uint16_t> page_;     // width x 3 * height: the text page (scroll) or the slide
  std::vector<uint16_t> texture_;  // (width + 256) x (height + 256): the photo (pan)
};
