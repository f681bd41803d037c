// The encoder's slices: however many threads code the block rows, the compressed frames are the
// bytes that one thread makes, also where a skip run crosses the border of two slices.
#include "recorder/codec/Msvc1Encoder.h"
#include "recorder/codec/SliceWorkers.h"
#include "tests/codec/TestFrames.h"

#include <gtest/gtest.h>

#include <atomic>
#include <vector>

namespace {

// Frames that mix every kind of block row: unchanged rows, one changed block in the middle of a
// frame, a pointer crossing rows, a fully changing picture and the partial last row and column.
std::vector<TestFrame> MixedFrames(int width, int height) {
  std::vector<TestFrame> frames;
  TestFrame slide = SlidePicture(width, height);
  frames.push_back(slide);
  frames.push_back(slide);  // nothing changed: skips across every slice border
  TestFrame onePixel = slide;
  onePixel.At(width / 2, height / 2) ^= 0x7FFF;
  frames.push_back(onePixel);
  for (int i = 0; i < 3; ++i) {
    TestFrame pointer = onePixel;
    DrawPointer(pointer, width - 9 - i * 37, height - 5 - i * 23);
    frames.push_back(pointer);
  }
  frames.push_back(NaturalPicture(width, height, 1));
  frames.push_back(NaturalPicture(width, height, 2));
  TestFrame corner = NaturalPicture(width, height, 2);
  corner.At(width - 1, 0) ^= 0x0421;  // top-right pixel: the last block of the stream
  frames.push_back(corner);
  frames.push_back(TwoColourCells(width, height, 5));
  return frames;
}

std::vector<std::vector<uint8_t>> EncodeAll(const std::vector<TestFrame>& frames, int quality, int threads) {
  Msvc1Encoder encoder(frames[0].width, frames[0].height, quality, threads);
  std::vector<std::vector<uint8_t>> coded;
  std::vector<uint8_t> out(encoder.MaxFrameBytes());
  for (size_t i = 0; i < frames.size(); ++i) {
    bool key = false;
    const size_t bytes = encoder.Encode(ToDib(frames[i]).data(), out.data(), i == 6, &key);
    EXPECT_LE(bytes, encoder.MaxFrameBytes());
    EXPECT_EQ(key, i == 0 || i == 6) << "frame " << i;
    coded.emplace_back(out.begin(), out.begin() + bytes);
  }
  return coded;
}

TEST(Msvc1Encoder, SlicesOnAnyNumberOfThreadsGiveTheOneThreadBytes) {
  struct Size {
    int width, height;
  };
  // 37 x 23: fewer block rows than slices; 1366 x 766: partial rows and columns, and unchanged
  // frames of more than 1023 blocks.
  for (const Size size : {Size{37, 23}, Size{64, 8}, Size{1366, 766}}) {
    const std::vector<TestFrame> frames = MixedFrames(size.width, size.height);
    for (const int quality : {8000, 10000}) {
      const std::vector<std::vector<uint8_t>> single = EncodeAll(frames, quality, 1);
      // A still frame is nothing but skip codes.
      const size_t blocks = size_t((size.width + 3) / 4) * size_t((size.height + 3) / 4);
      EXPECT_EQ(single[1].size(), 2 * ((blocks + 1022) / 1023));
      for (const int threads : {2, 3, 7}) {
        const std::vector<std::vector<uint8_t>> sliced = EncodeAll(frames, quality, threads);
        ASSERT_EQ(sliced.size(), single.size());
        for (size_t i = 0; i < single.size(); ++i)
          EXPECT_EQ(sliced[i], single[i]) << size.width << "x" << size.height << " quality " << quality << ", "
                                          << threads << " threads, frame " << i;
      }
    }
  }
}

TEST(SliceWorkers, RunsEveryPartOnceOnTheThreadsItHas) {
  SliceWorkers machine(0);
  EXPECT_EQ(machine.Threads(), SliceWorkers::ProcessorCount());
  for (const int threads : {1, 2, 5}) {
    SliceWorkers workers(threads);
    EXPECT_EQ(workers.Threads(), threads);
    for (const int count : {0, 1, 3, 40}) {
      std::vector<std::atomic<int>> calls(size_t(count) + 1);
      for (int job = 0; job < 3; ++job) workers.Run(count, [&](int i) { ++calls[size_t(i)]; });
      for (int i = 0; i < count; ++i) EXPECT_EQ(calls[size_t(i)].load(), 3) << "part " << i;
      EXPECT_EQ(calls[size_t(count)].load(), 0);
    }
  }
}

}  // namespace
