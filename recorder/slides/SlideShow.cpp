#include "recorder/slides/SlideShow.h"

#include "recorder/slides/SlidePicture.h"

#include <windows.h>
#include <objbase.h>

SlideShow::SlideShow(std::string htmlDir) : htmlDir_(std::move(htmlDir)) {}

SlideShow::~SlideShow() { Finish(); }

void SlideShow::Frame(const uint8_t* pixels, const PictureShape& shape, uint32_t position,
                      const ChangedBlocks& changes, const BlockBox& pointer, const PointerRemover& removePointer) {
  // A picture of another size (a restart after the screen's resolution changed) begins anew.
  if (!detector_ || shape.width != shape_.width || shape.height != shape_.height || shape.stride != shape_.stride) {
    shape_ = shape;
    detector_ = std::make_unique<SlideDetector>(shape);
  }
  const bool slide = detector_->Frame(pixels, position, changes, pointer);
  const bool mark = marks_.exchange(0) > 0;
  if (slide || mark) {
    auto picture = std::make_shared<std::vector<uint8_t>>(pixels, pixels + shape.stride * shape.height);
    if (removePointer) removePointer(picture->data());
    if (slide) {
      detector_->Keep(picture);
      Keep({detector_->AppearedAt(), 0, false}, picture, shape);
    }
    if (mark) heldMarks_.push_back({{position, 0, true}, picture, shape});
  }
  // A mark waits while the picture before it may still become a slide that appeared earlier, so
  // that the pictures' numbers follow the list's time order.
  if (!heldMarks_.empty() && (!detector_->Judging() || detector_->ChangedAt() > heldMarks_.front().entry.position))
    ReleaseMarks();
}

void SlideShow::ReleaseMarks() {
  for (Job& held : heldMarks_) Keep(held.entry, std::move(held.pixels), held.shape);
  heldMarks_.clear();
}

void SlideShow::Keep(const SlideEntry& entry, std::shared_ptr<const std::vector<uint8_t>> pixels,
                     const PictureShape& shape) {
  std::lock_guard<std::mutex> hold(lock_);
  if (finishing_ || waitingBytes_ + pixels->size() > kWaitingSlidesBytes) return;
  waitingBytes_ += pixels->size();
  Job job{entry, std::move(pixels), shape};
  job.entry.number = ++taken_;
  waiting_.push_back(std::move(job));
  if (!writer_.joinable()) writer_ = std::thread([this] { WriteJobs(); });
  wake_.notify_one();
}

void SlideShow::WriteJobs() {
  const HRESULT com = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  CreateDirectoryA(SlidesFolder(htmlDir_).c_str(), nullptr);
  std::unique_lock<std::mutex> hold(lock_);
  for (;;) {
    wake_.wait(hold, [this] { return finishing_ || !waiting_.empty(); });
    if (waiting_.empty()) break;
    Job job = std::move(waiting_.front());
    waiting_.pop_front();
    waitingBytes_ -= job.pixels->size();
    listed_.push_back(job.entry);
    std::vector<SlideEntry> listed = listed_;
    hold.unlock();
    // Listed first: a crash while the picture is written leaves its time for the repair, which
    // keeps the entry only when the picture reads back whole.
    WriteSlidesScript(htmlDir_, listed);
    const bool written =
        WriteSlidePicture(SlidePicturePath(htmlDir_, job.entry.number), job.pixels->data(), job.shape);
    job.pixels.reset();
    hold.lock();
    if (written) written_.push_back(job.entry);
  }
  hold.unlock();
  if (SUCCEEDED(com)) CoUninitialize();
}

void SlideShow::Finish() {
  ReleaseMarks();
  {
    std::lock_guard<std::mutex> hold(lock_);
    if (finishing_) return;
    finishing_ = true;
  }
  wake_.notify_one();
  if (!writer_.joinable()) return;
  writer_.join();
  std::vector<SlideEntry> written = Written();
  WriteSlidesScript(htmlDir_, written);
}

std::vector<SlideEntry> SlideShow::Written() const {
  std::lock_guard<std::mutex> hold(lock_);
  return written_;
}
