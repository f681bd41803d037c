// The slides of one recording: the capture thread shows it every picture it takes, and it keeps
// each new slide and each picture the teacher marks. The pictures are turned into PNG files on a
// thread of its own, so that the capture never waits for an encoder; "slides.js" lists each
// picture before it is written (so that the repair after a crash knows its time) and, at the
// end, only the pictures that were written whole.
#pragma once
#include "recorder/slides/SlideDetector.h"
#include "recorder/slides/SlideList.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// The pictures waiting for the encoder hold at most this many bytes; a slide or mark beyond them is
// let go rather than let the memory grow (16 full-HD pictures).
constexpr size_t kWaitingSlidesBytes = 64u << 20;

class SlideShow {
public:
  // Pastes the screen's pixels under the pointer into a copy of the picture just taken.
  using PointerRemover = std::function<void(uint8_t* pixels)>;

  // The pictures go into `htmlDir`\slides, the list into `htmlDir`\slides.js.
  explicit SlideShow(std::string htmlDir);
  ~SlideShow();
  SlideShow(const SlideShow&) = delete;
  SlideShow& operator=(const SlideShow&) = delete;

  // A picture taken at `position` of the recording (capture thread only).
  void Frame(const uint8_t* pixels, const PictureShape& shape, uint32_t position, const ChangedBlocks& changes,
             const BlockBox& pointer, const PointerRemover& removePointer);
  // The teacher marks the picture on the screen: the next picture taken is kept as a mark.
  void Mark() { marks_.fetch_add(1); }
  // Waits for the pictures still being written and writes the final list (nothing when the
  // recording has no slide). Frame must not be called afterwards.
  void Finish();
  // The entries whose pictures were written, in the order they were taken (after Finish).
  std::vector<SlideEntry> Written() const;

private:
  struct Job {
    SlideEntry entry;
    std::shared_ptr<const std::vector<uint8_t>> pixels;
    PictureShape shape;
  };
  void Keep(const SlideEntry& entry, std::shared_ptr<const std::vector<uint8_t>> pixels, const PictureShape& shape);
  void WriteJobs();
  void ReleaseMarks();

  std::string htmlDir_;
  std::unique_ptr<SlideDetector> detector_;
  PictureShape shape_;
  uint32_t taken_ = 0;
  std::atomic<int> marks_{0};
  std::vector<Job> heldMarks_;

  mutable std::mutex lock_;
  std::condition_variable wake_;
  std::deque<Job> waiting_;
  size_t waitingBytes_ = 0;
  std::vector<SlideEntry> listed_;   // entries handed to the writer
  std::vector<SlideEntry> written_;  // entries whose pictures are in place
  bool finishing_ = false;
  std::thread writer_;
};
