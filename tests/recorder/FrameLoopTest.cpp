// The frame loop on a fake clock: positions in whole 5 ms steps, the first frame at 0 whatever
// the clock says, frames of an already written step dropped, the wait between frames following
// the screen's changes (the pointer's too), the data-rate budget's frames and qualities, and the
// pauses, which take no frame and leave their time out of the positions.
#include "recorder/Clock.h"
#include "recorder/FrameLoop.h"
#include "recorder/FramePace.h"
#include "recorder/PackedDib.h"
#include "recorder/RecorderState.h"
#include "recorder/ScreenBudgetSetting.h"
#include "tests/recorder/ScreenWindow.h"

#include <gtest/gtest.h>
#include <functional>
#include <memory>
#include <vector>

namespace {
// The fake clock stands still while a frame is taken and moves only while the loop sleeps: by
// as long as the sleep asked for, or by the script's next duration. After `frames` sleeps (one
// per frame) the host stops the recording; `onSleep` may change the screen meanwhile.
struct FakeTime {
  DWORD now = 0;
  std::vector<DWORD> lasts;  // how long each sleep really lasts; asked-for once used up
  std::vector<DWORD> asked;  // what each sleep asked for
  size_t frames = 0;
  int readings = 0;
  int jumpAtReading = -1;  // the clock jumps by jumpMs just before this reading
  DWORD jumpMs = 0;
  std::function<void(size_t sleep, DWORD now)> onSleep;
};
FakeTime* fake = nullptr;

DWORD FakeNow() {
  if (fake->readings++ == fake->jumpAtReading) fake->now += fake->jumpMs;
  return fake->now;
}

void FakeSleep(DWORD milliseconds) {
  const size_t sleep = fake->asked.size();
  fake->asked.push_back(milliseconds);
  fake->now += sleep < fake->lasts.size() ? fake->lasts[sleep] : milliseconds;
  if (fake->onSleep) fake->onSleep(sleep, fake->now);
  if (fake->asked.size() >= fake->frames) Recorder().recording = 0;
}

struct FakeLoop {
  FakeLoop(DWORD start, size_t frames) {
    time.now = start;
    time.frames = frames;
    fake = &time;
    previousClock = SetClockSource(FakeNow);
    previousSleep = SetSleepCall(FakeSleep);
    ResetRecorderState();
    Recorder().recording = 1;
  }
  ~FakeLoop() {
    SetClockSource(previousClock);
    SetSleepCall(previousSleep);
    ResetRecorderState();
    fake = nullptr;
  }
  FakeTime time;
  ClockSource previousClock;
  SleepCall previousSleep;
};

const CaptureRectangle kSmall = {0, 0, 7, 7};
}  // namespace

TEST(FrameIndex, CountsWholeFiveMillisecondSteps) {
  EXPECT_EQ(FrameIndexAt(0), 0u);
  EXPECT_EQ(FrameIndexAt(4), 0u);
  EXPECT_EQ(FrameIndexAt(5), 1u);
  EXPECT_EQ(FrameIndexAt(999), 199u);
  EXPECT_EQ(FrameIndexAt(1000), 200u);
  // Times whose thousandths have no exact binary fraction still count their whole steps.
  EXPECT_EQ(FrameIndexAt(575), 115u);
  EXPECT_EQ(FrameIndexAt(1005), 201u);
  EXPECT_EQ(FrameIndexAt(60 * 60 * 1000), 720000u);
  EXPECT_EQ(FrameIndexAt(0xFFFFFFFFu), 858993459u);
}

TEST(FrameLoop, FirstFrameAtZeroAndSameStepFramesDropped) {
  // Frames at 1000 (the first), +3 (step 0 again), +12, +14 (step 2 again), +25 and +26 (step 5
  // again): sleeps that end early, as a timer can.
  FakeLoop loop(1000, 6);
  loop.time.lasts = {3, 9, 2, 11, 1};
  std::vector<uint32_t> written;
  std::vector<BITMAPINFOHEADER*> blocks;
  FrameLoopEnd end = RunFrameLoop(kSmall, [&](BITMAPINFOHEADER* frame, uint32_t index, FrameCost& cost) {
    EXPECT_EQ(frame->biWidth, 8);
    EXPECT_EQ(frame->biBitCount, 16);
    // Without a budget every frame is written at the capture's quality.
    EXPECT_EQ(cost.quality, 8000u);
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
  EXPECT_EQ(LastFrameLoopStages().leftOut, 0u);
}

TEST(FrameLoop, FirstFrameIsZeroEvenWhenTheClockHasMovedOn) {
  // The clock jumps 400 ms between the start and the first frame's reading.
  FakeLoop loop(5000, 2);
  loop.time.jumpAtReading = 1;
  loop.time.jumpMs = 400;
  std::vector<uint32_t> written;
  RunFrameLoop(kSmall, [&](BITMAPINFOHEADER*, uint32_t index, FrameCost&) {
    written.push_back(index);
    return S_OK;
  });
  EXPECT_EQ(written, (std::vector<uint32_t>{0, 81}));
}

TEST(FrameLoop, FailedWriteEndsTheLoopAtOnce) {
  FakeLoop loop(0, 4);
  int writes = 0;
  FrameLoopEnd end = RunFrameLoop(kSmall, [&](BITMAPINFOHEADER*, uint32_t, FrameCost&) {
    ++writes;
    return writes == 2 ? E_FAIL : S_OK;
  });
  EXPECT_EQ(end, FrameLoopEnd::WriteFailed);
  EXPECT_EQ(writes, 2);
  EXPECT_EQ(LastFrameLoopStages().written, 1u);
  EXPECT_EQ(Recorder().recording.load(), 1);
}

TEST(FramePace, GrowsByOneStepAfterEachUnchangedFrameUpTo50MsAndDropsAtAChange) {
  FramePace pace;
  std::vector<DWORD> pauses = {pace.Pause()};
  for (int i = 0; i < 11; ++i) {
    pace.FrameTaken(false);
    pauses.push_back(pace.Pause());
  }
  EXPECT_EQ(pauses, (std::vector<DWORD>{5, 10, 15, 20, 25, 30, 35, 40, 45, 50, 50, 50}));
  // The next grab begins at most 50 ms after the last one began, but the pause is at least 5 ms.
  EXPECT_EQ(pace.WaitMs(0), 50u);
  EXPECT_EQ(pace.WaitMs(12), 38u);
  EXPECT_EQ(pace.WaitMs(47), 5u);
  EXPECT_EQ(pace.WaitMs(400), 5u);
  pace.FrameTaken(true);
  EXPECT_EQ(pace.Pause(), 5u);
  EXPECT_EQ(pace.WaitMs(0), 5u);
  EXPECT_EQ(pace.WaitMs(30), 5u);
  pace.FrameTaken(false);
  EXPECT_EQ(pace.WaitMs(8), 10u);
  EXPECT_EQ(pace.WaitMs(42), 8u);
}

TEST(FrameLoop, WaitGrowsWhileTheScreenStandsStillAndDropsWhenItOrThePointerChanges) {
  const CaptureRectangle corner = {0, 0, 63, 63};
  ScreenWindow grey(0, 0, 64, 64, RGB(128, 128, 128));
  SetCursorPos(400, 300);
  std::unique_ptr<ScreenWindow> red;
  FakeLoop loop(7000, 30);
  // After the 15th frame the picture changes; after the 25th the pointer moves into it.
  loop.time.onSleep = [&](size_t sleep, DWORD) {
    if (sleep == 14) red = std::make_unique<ScreenWindow>(0, 0, 64, 64, RGB(200, 0, 0));
    if (sleep == 24) SetCursorPos(20, 20);
  };
  std::vector<uint32_t> written;
  RunFrameLoop(corner, [&](BITMAPINFOHEADER*, uint32_t index, FrameCost&) {
    written.push_back(index);
    return S_OK;
  });
  SetCursorPos(400, 300);
  EXPECT_EQ(loop.time.asked, (std::vector<DWORD>{5, 10, 15, 20, 25, 30, 35, 40, 45, 50, 50, 50, 50, 50, 50,
                                                 5, 10, 15, 20, 25, 30, 35, 40, 45, 50,
                                                 5, 10, 15, 20, 25}));
  // Every frame is written at the position of the moment it was taken, except those in which the
  // pointer, moved in the last copy, stood still again (at 805, 815 and 830 ms): they are the
  // frame at 800 ms over again, and the file has had a frame less than 45 ms before.
  std::vector<uint32_t> taken;
  DWORD at = 0;
  for (size_t i = 0; i < 30; ++i) {
    taken.push_back(at / 5);
    at += loop.time.asked[i];
  }
  std::vector<uint32_t> expected = taken;
  expected.erase(expected.begin() + 26, expected.begin() + 29);
  EXPECT_EQ(std::vector<uint32_t>(taken.begin() + 25, taken.end()), (std::vector<uint32_t>{160, 161, 163, 166, 170}));
  EXPECT_EQ(written, expected);
  EXPECT_EQ(LastFrameLoopStages().unchanged, 27u);
}

// A pointer that moves all the time over a still screen keeps the frames 5 ms apart, but the
// screen is copied at its own, growing pace (5, 10, ... 50 ms apart) and the pointer moved in
// the last copy in between. A change on the screen is copied within 50 ms, and no frame after
// it goes back to the picture before it.
TEST(FrameLoop, APointerMovingOverAStillScreenIsMovedInTheLastCopy) {
  const CaptureRectangle corner = {0, 0, 63, 63};
  ScreenWindow grey(0, 0, 64, 64, RGB(128, 128, 128));
  std::unique_ptr<ScreenWindow> red;
  SetCursorPos(10, 30);
  FakeLoop loop(5000, 80);
  DWORD changedAt = 0;
  loop.time.onSleep = [&](size_t sleep, DWORD now) {
    SetCursorPos(11 + static_cast<int>(sleep % 40), 30);
    if (sleep == 40) {
      // A strip at the top, away from the pointer's rows.
      red = std::make_unique<ScreenWindow>(0, 0, 64, 8, RGB(255, 0, 0));
      changedAt = now - 5000;
    }
  };
  std::vector<uint32_t> written;
  std::vector<bool> showsRed;
  RunFrameLoop(corner, [&](BITMAPINFOHEADER* frame, uint32_t index, FrameCost&) {
    written.push_back(index);
    const WORD* topRow = reinterpret_cast<const WORD*>(DibPixels(frame) + DibRowBytes(64, 16) * 63);
    showsRed.push_back(topRow[60] == 0x7C00);
    return S_OK;
  });
  SetCursorPos(400, 300);
  EXPECT_EQ(loop.time.asked, std::vector<DWORD>(80, 5));
  ASSERT_EQ(written.size(), 80u);
  for (uint32_t i = 0; i < 80; ++i) EXPECT_EQ(written[i], i);
  // Copies at 0, 5, 15, ... 180 ms; the change at 205 ms is copied at 225 ms, and from then the
  // copies follow the screen's pace anew: 230, 240, ... 365 ms.
  const FrameLoopStages& stages = LastFrameLoopStages();
  EXPECT_EQ(stages.frames - stages.pointerFrames, 17u);
  size_t firstRed = 0;
  while (firstRed < showsRed.size() && !showsRed[firstRed]) ++firstRed;
  ASSERT_LT(firstRed, showsRed.size()) << "the change was never recorded";
  EXPECT_GE(written[firstRed] * 5, changedAt);
  EXPECT_LE(written[firstRed] * 5, changedAt + 50);
  for (size_t i = firstRed; i < showsRed.size(); ++i) EXPECT_TRUE(showsRed[i]) << "frame " << i;
}

// A frame in which the pointer, moved in the last copy, stands still again is the last frame over:
// it is held back, and written only when nothing replaces it before a pause or the stop.
TEST(FrameLoop, AFrameInWhichTheMovedPointerStandsStillIsWrittenOnlyWhenNothingReplacesIt) {
  const CaptureRectangle corner = {0, 0, 63, 63};
  ScreenWindow grey(0, 0, 64, 64, RGB(128, 128, 128));
  // The pointer moves after the first 7 frames, stands still in the 9th (40 ms, a pointer frame:
  // the screen's next copy is due at 50 ms), and moves again after it when `movesOn`.
  auto run = [&](size_t frames, bool movesOn, bool pauses) {
    SetCursorPos(10, 30);
    FakeLoop loop(0, frames);
    loop.time.onSleep = [&](size_t sleep, DWORD now) {
      if (sleep < 7 || (movesOn && sleep == 8)) SetCursorPos(11 + static_cast<int>(sleep), 30);
      if (pauses && sleep == 8) Recorder().pauses.Pause(now);
      if (pauses && sleep == 20) Recorder().pauses.Resume(now);
    };
    std::vector<uint32_t> written;
    RunFrameLoop(corner, [&](BITMAPINFOHEADER*, uint32_t index, FrameCost&) {
      written.push_back(index);
      return S_OK;
    });
    SetCursorPos(400, 300);
    return written;
  };
  // Replaced by the next frame, at 50 ms.
  EXPECT_EQ(run(10, true, false), (std::vector<uint32_t>{0, 1, 2, 3, 4, 5, 6, 7, 10}));
  EXPECT_EQ(LastFrameLoopStages().frames, 10u);
  // Written at the stop that follows it, and before a pause, so that the file reaches to them.
  EXPECT_EQ(run(9, false, false), (std::vector<uint32_t>{0, 1, 2, 3, 4, 5, 6, 7, 8}));
  const std::vector<uint32_t> paused = run(22, false, true);
  ASSERT_GE(paused.size(), 10u);
  EXPECT_EQ(std::vector<uint32_t>(paused.begin(), paused.begin() + 10),
            (std::vector<uint32_t>{0, 1, 2, 3, 4, 5, 6, 7, 8, 10}))
      << "the frame held back at 40 ms, then the first after the resume, paused at 50 ms";
}

TEST(FrameLoop, NextGrabBeginsAtMost50MsAfterTheLastOneBegan) {
  // Each frame takes 12 ms of the clock (the clock jumps while it is written): the pauses grow
  // as ever, until the 50 ms from grab to grab cut them; a change is never more than 50 ms late.
  ScreenWindow grey(0, 0, 64, 64, RGB(90, 90, 90));
  SetCursorPos(400, 300);
  FakeLoop loop(0, 14);
  std::vector<DWORD> grabs;
  RunFrameLoop({0, 0, 63, 63}, [&](BITMAPINFOHEADER*, uint32_t, FrameCost&) {
    grabs.push_back(fake->now);
    fake->now += 12;
    return S_OK;
  });
  ASSERT_EQ(grabs.size(), 14u);
  EXPECT_EQ(loop.time.asked, (std::vector<DWORD>{5, 10, 15, 20, 25, 30, 35, 38, 38, 38, 38, 38, 38, 38}));
  for (size_t i = 1; i < grabs.size(); ++i) EXPECT_LE(grabs[i] - grabs[i - 1], 50u) << "frame " << i;
  EXPECT_EQ(grabs.back() - grabs[grabs.size() - 2], 50u);
}

TEST(FrameLoop, BudgetLeavesFramesOutAndLowersTheQualityThenReturnsTo8000) {
  // The screen stands still, so a frame is taken every 50 ms. The writer stands for a
  // compressor: for the first 6 seconds (a film) frames cost 9000 bytes at 8000 and 3000 below
  // it, more than the pictures' share of the default budget at any quality; then 100 (a slide).
  const CaptureRectangle corner = {0, 0, 255, 191};
  ScreenWindow grey(0, 0, 256, 192, RGB(128, 128, 128));
  SetCursorPos(400, 300);
  FakeLoop loop(0, 400);
  Recorder().screenBudgetMBPerMinute = 120;
  struct Written {
    DWORD ms;
    DWORD quality;
    uint32_t bytes;
  };
  std::vector<Written> frames;
  RunFrameLoop(corner, [&](BITMAPINFOHEADER*, uint32_t index, FrameCost& cost) {
    const DWORD ms = index * 5;
    cost.bytes = ms >= 6000 ? 100 : cost.quality >= 8000 ? 9000 : 3000;
    frames.push_back({ms, cost.quality, cost.bytes});
    return S_OK;
  });
  ASSERT_FALSE(frames.empty());
  EXPECT_EQ(LastFrameLoopStages().frames, 400u);
  EXPECT_GT(LastFrameLoopStages().leftOut, 0u);
  EXPECT_EQ(LastFrameLoopStages().written + LastFrameLoopStages().leftOut, 400u);
  // Any two seconds of the film spend at most their share of the budget, the half second the
  // credit holds, and one frame.
  const double rate = PictureBudget(120, 256, 192, 200);
  for (DWORD from = 0; from + 2000 <= 6000; from += 500) {
    double spent = 0;
    for (const Written& f : frames)
      if (f.ms >= from && f.ms < from + 2000) spent += f.bytes;
    EXPECT_LE(spent, rate * 2.5 + 9000) << "from " << from;
    EXPECT_GE(spent, rate * 2 * 0.8) << "from " << from;
  }
  // The film went down to the lowest quality; the slide is back at 8000 within 2 s and keeps
  // every frame.
  bool lowest = false;
  for (const Written& f : frames) lowest |= f.ms < 6000 && f.quality == 0;
  EXPECT_TRUE(lowest);
  size_t slideFrames = 0;
  for (const Written& f : frames) {
    if (f.ms < 8000) continue;
    EXPECT_EQ(f.quality, 8000u) << "at " << f.ms;
    ++slideFrames;
  }
  size_t slideTaken = 0;
  DWORD at = 0;
  for (DWORD asked : loop.time.asked) {
    slideTaken += at >= 8000;
    at += asked;
  }
  EXPECT_EQ(slideFrames, slideTaken);
}

// A pause: no frame is taken while paused, and the positions after it follow those before. The
// pause's times are the host's calls; the paused loop sleeps on the fake clock like the pace.
namespace {
// Every sleep of the loop lasts 10 ms on the fake clock.
void TenMillisecondSleeps(FakeLoop& loop) { loop.time.lasts.assign(400, 10); }

std::vector<uint32_t> WrittenIndexes(FrameLoopEnd* end = nullptr) {
  std::vector<uint32_t> written;
  FrameLoopEnd result = RunFrameLoop(kSmall, [&](BITMAPINFOHEADER*, uint32_t index, FrameCost&) {
    written.push_back(index);
    return S_OK;
  });
  if (end) *end = result;
  return written;
}
}  // namespace

TEST(FramePause, PauseAndResumeShiftThePositionsByExactlyThePausedTime) {
  // Frames at 1000 and 1010; paused at 1020 until 1520; frames at 1520 and 1530 follow on.
  FakeLoop loop(1000, 54);
  TenMillisecondSleeps(loop);
  loop.time.onSleep = [](size_t sleep, DWORD now) {
    if (sleep == 1) Recorder().pauses.Pause(now);
    if (now == 1520) Recorder().pauses.Resume(now);
  };
  EXPECT_EQ(WrittenIndexes(), (std::vector<uint32_t>{0, 2, 4, 6}));
  EXPECT_EQ(LastFrameLoopStages().frames, 4u) << "no frame is taken while paused";
}

TEST(FramePause, APauseAtTheVeryFirstFrameStartsThePositionsAtTheResume) {
  FakeLoop loop(1000, 33);
  TenMillisecondSleeps(loop);
  Recorder().pauses.Pause(1000);
  loop.time.onSleep = [](size_t, DWORD now) {
    if (now == 1300) Recorder().pauses.Resume(now);
  };
  EXPECT_EQ(WrittenIndexes(), (std::vector<uint32_t>{0, 2, 4}));
}

TEST(FramePause, APauseOf0MsChangesNothingAndOneWithinAStepIsLeftOutExactly) {
  FakeLoop loop(1000, 4);
  TenMillisecondSleeps(loop);
  loop.time.onSleep = [](size_t sleep, DWORD) {
    if (sleep == 0) {
      Recorder().pauses.Pause(1005);
      Recorder().pauses.Resume(1005);
    }
    // Paused and resumed between two looks of the loop: the 3 ms are left out all the same, as
    // the camera's recording leaves them out.
    if (sleep == 1) {
      Recorder().pauses.Pause(1015);
      Recorder().pauses.Resume(1018);
    }
  };
  EXPECT_EQ(WrittenIndexes(), (std::vector<uint32_t>{0, 2, 3, 5}));
}

TEST(FramePause, AStopWhilePausedEndsTheLoopWithTheFramesBefore) {
  FakeLoop loop(1000, 100);
  TenMillisecondSleeps(loop);
  loop.time.onSleep = [](size_t sleep, DWORD now) {
    if (sleep == 1) Recorder().pauses.Pause(now);
    if (sleep == 5) Recorder().recording = 0;
  };
  FrameLoopEnd end = FrameLoopEnd::WriteFailed;
  EXPECT_EQ(WrittenIndexes(&end), (std::vector<uint32_t>{0, 2}));
  EXPECT_EQ(end, FrameLoopEnd::Stopped);
}

TEST(PauseClock, CountsThePausedTimeAcrossTheClocksWrap) {
  PauseClock pauses;
  EXPECT_EQ(pauses.PausedMs(100), 0u);
  pauses.Pause(0xFFFFFF00u);
  pauses.Pause(0xFFFFFF80u);  // paused already: the first moment counts
  EXPECT_EQ(pauses.PausedMs(0x00000100u), 0x200u);
  pauses.Resume(0x00000100u);
  pauses.Resume(0x00000200u);  // not paused: nothing
  EXPECT_EQ(pauses.PausedMs(0x00001000u), 0x200u);
  // 1000 ms from a start before the pause to a moment after it hold 0x200 ms of pause.
  EXPECT_EQ(pauses.RecordedMs(0xFFFFFE00u, 0, 0xFFFFFE00u + 1000), 1000u - 0x200u);
}
