// Tells from the screen's changes when a new slide stands on the screen. A slide is a picture
// that differs from the last slide in at least 3 % of the screen's 4x4 blocks and then stands
// still for 2 s: nothing changes but the pointer and one small region that changes in its place
// (a blinking caret, a clock). A change larger than that region makes a new picture, which
// appears at that moment; a small change somewhere new (typing) restarts the 2 s. So typing,
// scrolling and a playing film, which never stand still, make no slide. The first picture of a
// recording is always a slide. Times are stream positions (200 a second).
#pragma once
#include "recorder/slides/BlockChanges.h"

#include <cstdint>
#include <memory>
#include <vector>

constexpr uint32_t kStandStillPositions = 400;  // 2 s
constexpr uint32_t kSlideChangePercent = 3;
// The region that may go on changing on a still screen, in blocks a side (64 pixels); on a small
// screen it stays below the share of a slide's change.
constexpr int kSmallRegionBlocks = 16;

class SlideDetector {
public:
  explicit SlideDetector(const PictureShape& shape) : shape_(shape) {}

  // One picture taken at `position`, with the pointer drawn in at `pointer` (the blocks it
  // covers), and its changed blocks against the picture before. True when a new slide stands:
  // it first appeared at AppearedAt(), and the caller hands its pointer-free picture to Keep().
  bool Frame(const uint8_t* pixels, uint32_t position, const ChangedBlocks& changes, const BlockBox& pointer);
  uint32_t AppearedAt() const { return appearedAt_; }
  // Whether the picture that appeared at ChangedAt() is still to be judged (it may become a slide).
  bool Judging() const { return !judged_; }
  uint32_t ChangedAt() const { return changedAt_; }
  // The last slide's picture, without the pointer: the next slide must differ from it.
  void Keep(std::shared_ptr<const std::vector<uint8_t>> slide) { last_ = std::move(slide); }

private:
  bool Small(const BlockBox& region) const;

  PictureShape shape_;
  std::shared_ptr<const std::vector<uint8_t>> last_;
  bool first_ = true;
  BlockBox lastPointer_;
  // The picture that appeared at `changedAt_`, still since `stillSince_` but for `moving_`.
  uint32_t changedAt_ = 0;
  uint32_t stillSince_ = 0;
  BlockBox moving_;
  bool judged_ = false;
  uint32_t appearedAt_ = 0;
};
