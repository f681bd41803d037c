// Long recordings: a recording that would pass the part size goes on in the next file, and a
// failed write's restart records into a new part and keeps the frames already written; slides
// go on across the parts. The
// part size is lowered so that parts of a few kilobytes stand for parts of 1 GiB.
// check_long_recording.sh runs "LongRecording.RollsOver*" with LUMORA_PARTS_OUT set and then
// decodes the parts with ffmpeg.
#include "recorder/AviCapture.h"
#include "recorder/Controller.h"
#include "recorder/FrameLoop.h"
#include "recorder/Vistrel.h"
#include "recorder/PartLimit.h"
#include "recorder/RecorderState.h"
#include "recorder/TempPaths.h"
#include "recorder/recovery/AviCheck.h"
#include "recorder/recovery/RecordingParts.h"
#include "recorder/recovery/RecoveryRecord.h"
#include "recorder/slides/SlideList.h"
#include "recorder/slides/SlidePicture.h"
#include "tests/recorder/CaptureRunTest.h"
#include "tests/recorder/RecordingFiles.h"
#include "tests/recorder/ScreenWindow.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>
#include <objbase.h>
#include <atomic>
#include <cstdio>
#include <cstring>

namespace {
class LongRecording : public CaptureRunTest {
protected:
  void TearDown() override {
    SetAviStreamWriteForTests(nullptr);
    CaptureRunTest::TearDown();
  }
  // A capture of the screen's top-left 64 x 48 pixels into `name` in the test's folder.
  void PrepareCorner(const std::string& name) {
    std::string path = folder_ + "\\" + name;
    strcpy(Recorder().outputPath, path.c_str());
    Recorder().captureRectangle = {0, 0, 63, 47};
  }
};

bool HasRecoveryRecord(const std::string& path) {
  return GetFileAttributesA(RecoveryRecordPath(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace

TEST(RecordingParts, AreNamedAfterTheFirstAndListedInOrderUpToTheFirstGap) {
  EXPECT_EQ(RecordingPartPath("C:\\l\\html\\screen.avi", 1), "C:\\l\\html\\screen.avi");
  EXPECT_EQ(RecordingPartPath("C:\\l\\html\\screen.avi", 2), "C:\\l\\html\\screen-2.avi");
  EXPECT_EQ(RecordingPartPath("C:\\l\\html\\screen.avi", 12), "C:\\l\\html\\screen-12.avi");
  // A dot in a folder name is no extension.
  EXPECT_EQ(RecordingPartPath("C:\\v1.2\\screen", 3), "C:\\v1.2\\screen-3");
  TempDir dir;
  for (const char* name : {"screen.avi", "screen-2.avi", "screen-3.avi", "screen-5.avi"})
    ASSERT_TRUE(WriteFileBytes(dir / name, "x"));
  CreateDirectoryA((dir / "other-2.avi").c_str(), nullptr);
  std::vector<std::string> parts = ExistingRecordingParts(dir / "screen.avi");
  ASSERT_EQ(parts.size(), 3u);
  EXPECT_EQ(parts[2], dir / "screen-3.avi");
  // A folder is no part.
  EXPECT_TRUE(ExistingRecordingParts(dir / "other.avi").empty());
}

TEST(PartLimit, KeepsRoomForTheFrameTheSkippedPositionsAndTheWholeIndex) {
  const uint32_t fullHd = 1920 * 1080 * 2;
  // Half a part written: the next frame fits easily.
  EXPECT_FALSE(PartWouldPassLimit(kPartByteLimit / 2, 1000, 1001, fullHd, kPartByteLimit));
  // Room for the frame but not for the 1 MiB of slack.
  EXPECT_TRUE(PartWouldPassLimit(kPartByteLimit - fullHd - 100, 10, 11, fullHd, kPartByteLimit));
  // An hour of positions (720000) needs 11 MB of index at the close.
  uint64_t file = kPartByteLimit - 11 * 1048576ull;
  EXPECT_FALSE(PartWouldPassLimit(file, 9, 10, 4096, kPartByteLimit));
  EXPECT_TRUE(PartWouldPassLimit(file, 719999, 720000, 4096, kPartByteLimit));
  // A long pause leaves one empty chunk per position.
  EXPECT_TRUE(PartWouldPassLimit(kPartByteLimit - 2 * 1048576ull, 0, 200000, 4096, kPartByteLimit));
}

TEST_F(LongRecording, RollsOverIntoPartsThatHoldEveryFrameWritten) {
  PrepareCorner("screen.avi");
  // A part of about 8 KB: a key frame, some frames and their positions.
  Recorder().partByteLimit = kPartSlackBytes + 64 * 48 * 2 + 8192;
  Recorder().recording = 1;
  StartCapture();
  Sleep(3000);
  RequestStop();
  ASSERT_TRUE(WaitForCaptureIdle(30000));

  std::vector<std::string> parts = ExistingRecordingParts(folder_ + "\\screen.avi");
  ASSERT_GE(parts.size(), 3u);
  EXPECT_EQ(static_cast<int>(parts.size()), Recorder().partNumber);
  uint32_t frames = 0;
  for (const std::string& part : parts) {
    AviFacts facts;
    ASSERT_TRUE(CheckAviFile(part, &facts)) << part;
    EXPECT_EQ(facts.width, 64) << part;
    EXPECT_EQ(facts.bitCount, 16u) << part;
    EXPECT_GE(facts.keyFrames, 1u) << part;
    EXPECT_LE(FileBytesOnDisk(part), Recorder().partByteLimit) << part;
    frames += facts.videoEntries - facts.emptyFrames;
    EXPECT_FALSE(HasRecoveryRecord(part)) << part;
  }
  EXPECT_EQ(frames, Recorder().framesWritten);
  EXPECT_GT(frames, 3u * parts.size() / 2);
  if (FILE* note = fopen((folder_ + "\\frames.txt").c_str(), "w")) {
    fprintf(note, "%u %u\n", static_cast<unsigned>(parts.size()), frames);
    fclose(note);
  }
}

TEST_F(LongRecording, APauseAcrossThePartsLeavesItsTimeOutOfThemAll) {
  PrepareCorner("screen.avi");
  Recorder().partByteLimit = kPartSlackBytes + 64 * 48 * 2 + 8192;
  Recorder().recording = 1;
  StartCapture();
  Sleep(1000);
  OnPause(TRUE);
  Sleep(3000);
  OnPause(FALSE);
  Sleep(1000);
  RequestStop();
  ASSERT_TRUE(WaitForCaptureIdle(30000));

  std::vector<std::string> parts = ExistingRecordingParts(folder_ + "\\screen.avi");
  ASSERT_GE(parts.size(), 2u);
  uint64_t positions = 0;
  uint32_t frames = 0;
  for (const std::string& part : parts) {
    AviFacts facts;
    ASSERT_TRUE(CheckAviFile(part, &facts)) << part;
    positions += facts.videoEntries;
    frames += facts.videoEntries - facts.emptyFrames;
  }
  EXPECT_EQ(frames, Recorder().framesWritten);
  EXPECT_EQ(positions, Recorder().coveredPositions);
  // About 2 s were recorded around the 3 s pause: the parts hold far less than the 5 s that
  // passed (the bounds are generous for a loaded machine).
  EXPECT_LT(positions, 3u * kStreamRate) << "the pause is in the parts";
  EXPECT_GT(positions, kStreamRate) << "the recording around the pause is not";
}

TEST_F(LongRecording, SlidesGoOnAcrossThePartsOnTheWholeRecordingsAxis) {
  PrepareCorner("screen.avi");
  Recorder().partByteLimit = kPartSlackBytes + 64 * 48 * 2 + 8192;
  Recorder().slides = std::make_shared<SlideShow>(folder_);
  CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  ScreenWindow red(0, 0, 64, 48, RGB(255, 0, 0));
  Recorder().recording = 1;
  StartCapture();
  PumpMessagesFor(2600);
  // A new picture in the corner, long after the first part was full; it stands for 2.5 s.
  ScreenWindow blue(0, 0, 64, 48, RGB(0, 0, 255));
  PumpMessagesFor(2500);
  RequestStop();
  ASSERT_TRUE(WaitForCaptureIdle(30000));

  std::vector<std::string> parts = ExistingRecordingParts(folder_ + "\\screen.avi");
  ASSERT_GE(parts.size(), 3u);
  AviFacts first;
  ASSERT_TRUE(CheckAviFile(parts[0], &first));
  const std::vector<SlideEntry> slides = ParseSlidesScript(ReadFileBytes(folder_ + "\\slides.js"));
  ASSERT_EQ(slides.size(), 2u);
  EXPECT_EQ(slides[0].position, 0u);
  // The second slide's time counts the parts before its own: it lies past the first part's end
  // and near the 2.6 s (generous bounds for a loaded machine).
  EXPECT_GT(slides[1].position, first.videoEntries);
  EXPECT_GT(slides[1].position, 2 * kStreamRate);
  EXPECT_LT(slides[1].position, Recorder().coveredPositions);
  EXPECT_TRUE(SlidePictureReadable(SlidePicturePath(folder_, 2)));
  CoUninitialize();
}

TEST_F(LongRecording, AFailedWriteRestartsIntoANewPartAndKeepsTheFramesWritten) {
  PrepareCorner("screen.avi");
  FailFrameWriteNumber(25);
  Recorder().recording = 1;
  ASSERT_TRUE(ChooseTempVideoPath());
  // The 25th write fails: the run ends with 24 frames written and starts its one restart.
  EXPECT_TRUE(RunCapture(0, 0, 64, 48, 200));
  EXPECT_EQ(Recorder().CompressorFallback, kFourccMsvc);
  EXPECT_EQ(Recorder().partNumber, 2);
  std::string first = folder_ + "\\screen.avi", second = folder_ + "\\screen-2.avi";
  EXPECT_EQ(PictureFrames(first), 24u);
  // The first part was closed whole, so it needs no repair.
  EXPECT_FALSE(HasRecoveryRecord(first));
  Sleep(800);
  RequestStop();
  ASSERT_TRUE(WaitForCaptureIdle(30000));
  EXPECT_EQ(PictureFrames(first), 24u);
  uint32_t restarted = PictureFrames(second);
  EXPECT_GT(restarted, 0u);
  EXPECT_EQ(24u + restarted, Recorder().framesWritten);
  EXPECT_FALSE(HasRecoveryRecord(second));
}

TEST_F(LongRecording, ARestartAfterAFailedSetUpUsesTheSameUnwrittenPart) {
  PrepareCorner("screen.avi");
  FailFrameWriteNumber(1);
  Recorder().recording = 1;
  ASSERT_TRUE(ChooseTempVideoPath());
  EXPECT_TRUE(RunCapture(0, 0, 64, 48, 200));
  // Nothing was written before the failure: the restart takes the first part's name.
  EXPECT_EQ(Recorder().partNumber, 1);
  Sleep(500);
  RequestStop();
  ASSERT_TRUE(WaitForCaptureIdle(30000));
  EXPECT_GT(PictureFrames(folder_ + "\\screen.avi"), 0u);
  EXPECT_EQ(GetFileAttributesA((folder_ + "\\screen-2.avi").c_str()), INVALID_FILE_ATTRIBUTES);
}
