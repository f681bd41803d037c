// The capture thread's life cycle: stop without a recording, the completion event, a new
// recording waiting for the previous one, and the one restart per process after an AVI failure.
#include "framework/Handles.h"
#include "recorder/Controller.h"
#include "recorder/RecorderState.h"
#include "recorder/Vistrel.h"
#include "tests/recorder/RecordingFiles.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>
#include <cstring>

namespace {
class Controller : public ::testing::Test {
protected:
  static void SetUpTestSuite() { ASSERT_TRUE(CreateCaptureIdleEvent()); }
  static void TearDownTestSuite() { CloseCaptureIdleEvent(); }
  void SetUp() override { ResetRecorderState(); }
  void TearDown() override {
    OnStop();
    EXPECT_TRUE(WaitForCaptureIdle(60000));
    ResetRecorderState();
  }
  bool IdleNow() { return WaitForVistrelIdle(0); }
  TempDir dir;
};

std::string FileStart(const std::string& path) { return ReadFileBytes(path).substr(0, 12); }
}  // namespace

TEST_F(Controller, StopWithoutRecordingChangesNothing) {
  OnStop();
  EXPECT_EQ(Recorder().recording.load(), 0);
  EXPECT_TRUE(IdleNow());
}

TEST_F(Controller, TheCompletionEventIsResetWhileARecordingRuns) {
  std::string path = dir / "screen.avi";
  OnRecord(nullptr, path.c_str(), 0);
  EXPECT_EQ(Recorder().recording.load(), 1);
  EXPECT_FALSE(IdleNow());
  Sleep(400);
  OnStop();
  ASSERT_TRUE(WaitForVistrelIdle(30000));
  std::string start = FileStart(path);
  EXPECT_EQ(start.substr(0, 4), "RIFF");
  EXPECT_EQ(start.substr(8, 4), "AVI ");
  EXPECT_EQ(StreamTypes(path), "vids");
  EXPECT_EQ(Recorder().screenWidth, GetSystemMetrics(SM_CXSCREEN));
  EXPECT_EQ(Recorder().captureRectangle.right, Recorder().screenWidth - 1);
  EXPECT_EQ(Recorder().captureRectangle.bottom, Recorder().screenHeight - 1);
}

TEST_F(Controller, ANewRecordingWaitsForThePreviousOneToFinish) {
  std::string first = dir / "first.avi";
  std::string second = dir / "second.avi";
  OnRecord(nullptr, first.c_str(), 0);
  Sleep(300);
  OnStop();
  // The previous thread may still be writing: this call must not share its state.
  OnRecord(nullptr, second.c_str(), 0);
  EXPECT_EQ(StreamTypes(first), "vids");
  Sleep(300);
  OnStop();
  ASSERT_TRUE(WaitForVistrelIdle(30000));
  EXPECT_EQ(StreamTypes(second), "vids");
  EXPECT_STREQ(Recorder().outputPath, second.c_str());
}

TEST_F(Controller, OneRestartPerProcessAfterAFailedAviCall) {
  // The temporary path is a folder, so the AVI file cannot be opened.
  std::string output = dir / "restarted.avi";
  strcpy(Recorder().outputPath, output.c_str());
  Recorder().tempVideoPath = dir.Path();
  Recorder().captureRectangle = {0, 0, 63, 47};
  Recorder().recording = 1;
  EXPECT_TRUE(RunCapture(0, 0, 64, 48, 200));
  EXPECT_EQ(Recorder().CompressorFallback, kFourccMsvc);
  // The restarted thread chose the output path again and records into it.
  EXPECT_EQ(Recorder().recording.load(), 1);
  Sleep(500);
  OnStop();
  ASSERT_TRUE(WaitForCaptureIdle(30000));
  EXPECT_EQ(StreamTypes(output), "vids");

  // A second failure in the same process ends the run without a restart.
  Recorder().tempVideoPath = dir.Path();
  Recorder().recording = 1;
  EXPECT_FALSE(RunCapture(0, 0, 64, 48, 200));
  EXPECT_EQ(Recorder().recording.load(), 0);
  EXPECT_TRUE(IdleNow());
}

TEST_F(Controller, AStopThatCameDuringTheFailingWriteIsNotUndoneByTheRestart) {
  std::string output = dir / "stopped.avi";
  strcpy(Recorder().outputPath, output.c_str());
  Recorder().tempVideoPath = dir.Path();  // a folder: the AVI file cannot be opened
  Recorder().captureRectangle = {0, 0, 63, 47};
  // The host's stop arrived while the run was failing.
  Recorder().recording = 0;
  EXPECT_FALSE(RunCapture(0, 0, 64, 48, 200));
  EXPECT_EQ(Recorder().recording.load(), 0);
  EXPECT_TRUE(IdleNow());
  // The one restart is left for a later recording.
  EXPECT_EQ(Recorder().CompressorFallback, 0u);
  EXPECT_EQ(GetFileAttributesA(output.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(Controller, ANewRecordingEndsARunThatNobodyStopped) {
  std::string first = dir / "first.avi";
  std::string second = dir / "second.avi";
  OnRecord(nullptr, first.c_str(), 0);
  Sleep(300);
  // No stop for the first run: the second start stops it after a bounded wait.
  OnRecord(nullptr, second.c_str(), 0);
  EXPECT_EQ(StreamTypes(first), "vids");
  EXPECT_EQ(Recorder().recording.load(), 1);
  EXPECT_STREQ(Recorder().outputPath, second.c_str());
  Sleep(300);
  OnStop();
  ASSERT_TRUE(WaitForVistrelIdle(30000));
  EXPECT_EQ(StreamTypes(second), "vids");
}

TEST_F(Controller, ARunThatDoesNotEndAfterItsStopIsGivenUpOn) {
  // A capture thread still busy: the completion event is reset and the flag still set.
  UniqueHandle idle(OpenEventA(EVENT_MODIFY_STATE, FALSE, VistrelIdleEventName(GetCurrentProcessId()).c_str()));
  ASSERT_TRUE(idle);
  ResetEvent(idle.Get());
  Recorder().recording = 1;
  // The wait ends, and the run was asked to stop; a new recording then stays out of its state.
  EXPECT_FALSE(EndPreviousRun(50, 50));
  EXPECT_EQ(Recorder().recording.load(), 0);
  SetEvent(idle.Get());
  EXPECT_TRUE(EndPreviousRun(0, 0));
}
