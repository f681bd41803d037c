// The frame loop's index rule: positions in whole 5 ms steps, the first frame at 0 whatever the
// clock says, and frames of an already written step dropped.
#include "recorder/Clock.h"
#include "recorder/FrameLoop.h"
#include "recorder/RecorderState.h"

#include <gtest/gtest.h>
#include <vector>

namespace {
// The scripted clock: the start, then one reading per frame after the first.
std::vector<DWORD> readings;
size_t nextReading = 0;

DWORD ScriptedClock() {
  DWORD now = readings[nextReading < readings.size() ? nextReading : readings.size() - 1];
  // The last reading is the last frame: the host stops the recording.
  if (++nextReading >= readings.size()) Recorder().recording = 0;
  return now;
}

struct ScriptedLoop {
  explicit ScriptedLoop(std::vector<DWORD> clock) {
    readings = std::move(clock);
    nextReading = 0;
    previous = SetClockSource(ScriptedClock);
    ResetRecorderState();
    Recorder().recording = 1;
  }
  ~ScriptedLoop() {
    SetClockSource(previous);
    ResetRecorderState();
  }
  ClockSource previous;
};

const CaptureRectangle kSmall = {0, 0, 7, 7};
}  // namespace

TEST(FrameIndex, CountsWholeFiveMillisecondSteps) {
  EXPECT_EQ(FrameIndexAt(0), 0u);
  EXPECT_EQ(FrameIndexAt(4), 0u);
  EXPECT_EQ(FrameIndexAt(5), 1u);
  EXPECT_EQ(FrameIndexAt(999), 199u);
  EXPECT_EQ(FrameIndexAt(1000), 200u);
  EXPECT_EQ(FrameIndexAt(60 * 60 * 1000), 720000u);
  EXPECT_EQ(FrameIndexAt(0xFFFFFFFFu), 858993459u);
}

TEST(FrameLoop, FirstFrameAtZeroAndSameStepFramesDropped) {
  // Start at 1000; the first frame ignores the clock, then frames at +3 (step 0 again), +12,
  // +14 (step 2 again), +25 and +26 (step 5 again).
  ScriptedLoop loop({1000, 1003, 1012, 1014, 1025, 1026});
  std::vector<uint32_t> written;
  std::vector<BITMAPINFOHEADER*> blocks;
  FrameLoopEnd end = RunFrameLoop(kSmall, [&](BITMAPINFOHEADER* frame, uint32_t index) {
    EXPECT_EQ(frame->biWidth, 8);
    EXPECT_EQ(frame->biBitCount, 16);
    written.push_back(index);
    blocks.push_back(frame);
    return S_OK;
  });
  EXPECT_EQ(end, FrameLoopEnd::Stopped);
  EXPECT_EQ(written, (std::vector<uint32_t>{0, 2, 5}));
  // Every frame of the run is taken into the same block.
  ASSERT_EQ(blocks.size(), 3u);
  EXPECT_EQ(blocks[1], blocks[0]);
  EXPECT_EQ(blocks[2], blocks[0]);
  // The stage record counts the frames taken and written.
  EXPECT_EQ(LastFrameLoopStages().frames, 6u);
  EXPECT_EQ(LastFrameLoopStages().written, 3u);
}

TEST(FrameLoop, FirstFrameIsZeroEvenWhenTheClockHasMovedOn) {
  ScriptedLoop loop({5000, 5400});
  std::vector<uint32_t> written;
  RunFrameLoop(kSmall, [&](BITMAPINFOHEADER*, uint32_t index) {
    written.push_back(index);
    return S_OK;
  });
  EXPECT_EQ(written, (std::vector<uint32_t>{0, 80}));
}

TEST(FrameLoop, FailedWriteEndsTheLoopAtOnce) {
  ScriptedLoop loop({0, 10, 20, 30});
  int writes = 0;
  FrameLoopEnd end = RunFrameLoop(kSmall, [&](BITMAPINFOHEADER*, uint32_t) {
    ++writes;
    return writes == 2 ? E_FAIL : S_OK;
  });
  EXPECT_EQ(end, FrameLoopEnd::WriteFailed);
  EXPECT_EQ(writes, 2);
  EXPECT_EQ(LastFrameLoopStages().written, 1u);
  EXPECT_EQ(Recorder().recording.load(), 1);
}
