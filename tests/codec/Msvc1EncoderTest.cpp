// The encoder's slices: however many threads code the block rows, the compressed frames are the
// bytes that one thread makes, also where a skip run crosses the border of two slices.
#include "recorder/codec/Msvc1Block.h"
#include "recorder/codec/Msvc1Encoder.h"
#include "recorder/codec/SliceWorkers.h"
#include "tests/codec/TestFrames.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
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
  // A picture moving by a few pixels a frame: below quality 7000 some changed blocks are kept.
  for (int phase = 3; phase < 6; ++phase) frames.push_back(NaturalPicture(width, height, phase));
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
    for (const int quality : {0, 3000, 8000, 10000}) {
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

// The reconstruction (bottom-up DIB rows) as a top-down frame.
TestFrame FromDib(const std::vector<uint8_t>& dib, int width, int height) {
  const size_t stride = (size_t(width) * 2 + 3) & ~size_t(3);
  TestFrame frame = MakeFrame(width, height);
  for (int y = 0; y < height; ++y)
    std::memcpy(&frame.At(0, y), dib.data() + stride * (height - 1 - y), size_t(width) * 2);
  return frame;
}

// Sum of squared 5-bit channel errors of the 4x4 block (column, row counted from the bottom)
// of `a` against `b`, or against the block's own rounded mean colour when `b` is null.
int BlockSquaredError(const TestFrame& a, const TestFrame* b, int column, int row) {
  std::vector<int> xs, ys;
  for (int k = 0; k < 4; ++k) {
    if (column * 4 + k < a.width) xs.push_back(column * 4 + k);
    if (row * 4 + k < a.height) ys.push_back(a.height - 1 - (row * 4 + k));
  }
  int error = 0;
  for (int shift = 0; shift <= 10; shift += 5) {
    int sum = 0;
    for (const int y : ys)
      for (const int x : xs) sum += (a.At(x, y) >> shift) & 31;
    const int count = int(xs.size() * ys.size());
    const int mean = (2 * sum + count) / (2 * count);
    for (const int y : ys)
      for (const int x : xs) {
        const int d = ((a.At(x, y) >> shift) & 31) - (b ? (b->At(x, y) >> shift) & 31 : mean);
        error += d * d;
      }
  }
  return error;
}

// Below quality 7000 a changed block may keep what the decoder shows, but only while that costs
// less than coding it: however long the changes go on, what is shown stays within the one-colour
// code's error plus the weight of its bytes (at most 6 with red 1). Slowly brightening areas and
// a moving picture would drift away if the encoder compared with the frame before instead.
TEST(Msvc1Encoder, KeptBlocksStayWithinTheirCostOfWhatTheDecoderShows) {
  // Whole blocks: the encoder weighs a partial block with its repeated edge pixels.
  const int width = 132, height = 72;
  for (const int quality : {0, 3000, 6999}) {
    Msvc1Encoder encoder(width, height, quality, 2);
    std::vector<uint8_t> out(encoder.MaxFrameBytes());
    const int bound = 6 * msvc1::LambdaForQuality(quality) / 16;
    const int blocks = ((width + 3) / 4) * ((height + 3) / 4);
    int framesWithKeptChanges = 0;
    for (int i = 0; i < 60; ++i) {
      TestFrame frame = NaturalPicture(width, height, i);
      // The left part brightens by one step of green every other frame, the bottom by one of red
      // every third frame; their blue flickers by one step so that they change in every frame.
      for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
          if (x < 40) frame.At(x, y) = uint16_t((4 << 10) | ((i / 2) % 32) << 5 | (9 + i % 2));
          if (y >= height - 12) frame.At(x, y) = uint16_t(((i / 3) % 32) << 10 | 12 << 5 | (20 + i % 2));
        }
      bool key = false;
      const size_t bytes = encoder.Encode(ToDib(frame).data(), out.data(), i == 40, &key);
      EXPECT_EQ(key, i == 0 || i == 40);
      const TestFrame shown = FromDib(encoder.Reconstruction(), width, height);
      int worst = 0;
      for (int row = 0; row < (height + 3) / 4; ++row)
        for (int column = 0; column < (width + 3) / 4; ++column) {
          const int excess = BlockSquaredError(frame, &shown, column, row) - BlockSquaredError(frame, nullptr, column, row);
          worst = std::max(worst, excess);
        }
      EXPECT_LE(worst, bound) << "quality " << quality << ", frame " << i;
      // Every block changes in every frame: fewer than 2 bytes a block means some were kept.
      if (!key && bytes < size_t(2 * blocks)) ++framesWithKeptChanges;
    }
    if (quality < 6000) {
      EXPECT_GT(framesWithKeptChanges, 10) << "quality " << quality;
    }
  }
}

// The two ways of choosing codes track different frames: changing between them starts afresh.
TEST(Msvc1Encoder, ChangingBetweenBoundAndCostMakesAKeyFrame) {
  const int width = 40, height = 24;
  Msvc1Encoder encoder(width, height, 7500, 1);
  std::vector<uint8_t> out(encoder.MaxFrameBytes());
  const int qualities[] = {7500, 7500, 3000, 3000, 2000, 7000, 9000};
  const bool keys[] = {true, false, true, false, false, true, false};
  for (int i = 0; i < 7; ++i) {
    encoder.SetQuality(qualities[i]);
    bool key = false;
    encoder.Encode(ToDib(NaturalPicture(width, height, i)).data(), out.data(), false, &key);
    EXPECT_EQ(key, keys[i]) << "frame " << i;
    EXPECT_EQ(encoder.Reconstruction().empty(), qualities[i] >= msvc1::kCostQualityBelow) << "frame " << i;
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
