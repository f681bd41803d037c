#include "recorder/slides/SlideDetector.h"

bool SlideDetector::Small(const BlockBox& region) const {
  // Never as large as a slide's change, however small the screen.
  return region.Width() <= kSmallRegionBlocks && region.Height() <= kSmallRegionBlocks &&
         uint64_t(region.Width()) * region.Height() * 100 < uint64_t(shape_.Blocks()) * kSlideChangePercent;
}

bool SlideDetector::Frame(const uint8_t* pixels, uint32_t position, const ChangedBlocks& changes,
                          const BlockBox& pointer) {
  // The pointer's blocks where it is now and where it was: its moves change nothing else.
  const BlockBox before = lastPointer_;
  lastPointer_ = pointer;
  if (first_) {
    first_ = false;
    changedAt_ = stillSince_ = appearedAt_ = position;
    judged_ = true;
    return true;
  }
  BlockBox region = moving_;
  bool large = changes.many;
  const int columns = shape_.Columns();
  for (size_t i = 0; i < changes.blocks.size() && !large; ++i) {
    const int column = static_cast<int>(changes.blocks[i] % columns), row = static_cast<int>(changes.blocks[i] / columns);
    if (pointer.Holds(column, row) || before.Holds(column, row)) continue;
    region.Add(column, row);
    large = !Small(region);
  }
  if (large) {
    // A new picture: it appeared now, and whatever changes in it from now on is measured anew.
    changedAt_ = stillSince_ = position;
    moving_ = {};
    judged_ = false;
    return false;
  }
  if (region.Width() != moving_.Width() || region.Height() != moving_.Height()) {
    // The small region reached somewhere new (typing, not a caret blinking in its place): the
    // picture has not stood still since.
    moving_ = region;
    stillSince_ = position;
    judged_ = false;
    return false;
  }
  if (judged_ || position - stillSince_ < kStandStillPositions) return false;
  // Judged once per still picture: the comparison reads the whole screen.
  judged_ = true;
  const uint32_t differing = !last_ ? shape_.Blocks() : CountDifferentBlocks(pixels, last_->data(), shape_, pointer);
  if (uint64_t(differing) * 100 < uint64_t(shape_.Blocks()) * kSlideChangePercent) return false;
  appearedAt_ = changedAt_;
  return true;
}
