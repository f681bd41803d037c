// The capture threads' life cycle: stop without a recording, the completion event, a new
// recording that starts at once while the previous one still finishes, the one restart per
// recording after an AVI failure, and the host told when a capture ends on its own.
#include "framework/Handles.h"
#include "recorder/AviCapture.h"
#include "recorder/Controller.h"
#include "recorder/RecorderState.h"
#include "recorder/Vistrel.h"
#include "recorder/recovery/BinaryFile.h"
#include "recorder/recovery/FrameChunks.h"
#include "recorder/recovery/RecordingParts.h"
#include "recorder/recovery/RecoveryRecord.h"
#include "tests/recorder/RecordingFiles.h"
#include "tests/support/PumpUntil.h"
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

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Whether a whole frame chunk of a screen-sized picture has reached the file on disk.
bool HasFrameOnDisk(const std::string& path) {
  FileReader file;
  if (!file.Open(path)) return false;
  FrameLayout layout;
  layout.width = GetSystemMetrics(SM_CXSCREEN);
  layout.height = GetSystemMetrics(SM_CYSCREEN);
  layout.maxChunkBytes = static_cast<uint32_t>((layout.width + 3) * (layout.height + 3) * 4 + 65536);
  return FindFirstFrameChunk(file, 0, layout) != 0;
}

// The host's window for the capture-ended message: the reason and length of the last one.
struct CaptureEndedNotes {
  int count = 0;
  WPARAM reason = 0;
  LPARAM milliseconds = 0;
};
CaptureEndedNotes endedNotes;

LRESULT CALLBACK HostWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == RegisterWindowMessageA(kVistrelCaptureEndedMessage)) {
    ++endedNotes.count;
    endedNotes.reason = wParam;
    endedNotes.milliseconds = lParam;
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

HWND MakeHostWindow() {
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = HostWindowProc;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = "VistrelHostTest";
  RegisterClassA(&windowClass);
  return CreateWindowA("VistrelHostTest", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
}
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

TEST_F(Controller, ARecordingRightAfterAStopLeavesThePreviousFileWhole) {
  std::string first = dir / "first.avi";
  std::string second = dir / "second.avi";
  OnRecord(nullptr, first.c_str(), 0);
  Sleep(300);
  OnStop();
  // The previous thread may still be writing: this recording must not share its state.
  OnRecord(nullptr, second.c_str(), 0);
  Sleep(300);
  OnStop();
  ASSERT_TRUE(WaitForVistrelIdle(30000));
  EXPECT_EQ(StreamTypes(first), "vids");
  EXPECT_EQ(StreamTypes(second), "vids");
  EXPECT_STREQ(Recorder().outputPath, second.c_str());
}

TEST_F(Controller, OneRestartPerRecordingAfterAFailedAviCall) {
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

  // A second failure in the same recording ends the run without a restart.
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
  // No stop for the first run: the second start stops it, and it finishes on its own.
  OnRecord(nullptr, second.c_str(), 0);
  EXPECT_EQ(Recorder().recording.load(), 1);
  EXPECT_STREQ(Recorder().outputPath, second.c_str());
  Sleep(300);
  OnStop();
  ASSERT_TRUE(WaitForVistrelIdle(30000));
  EXPECT_EQ(StreamTypes(first), "vids");
  EXPECT_EQ(StreamTypes(second), "vids");
}

// A teacher who stops and starts again at once, to split a lesson, while the last run still
// finishes its file (here its last frame write hangs for 35 s, as on a stalled share): the new
// recording starts at once and records, and the old file still ends whole, with its own frames.
TEST_F(Controller, ANewRecordingStartsAtOnceWhileThePreviousRunStillFinishes) {
  std::string first = dir / "first.avi", second = dir / "second.avi";
  UniqueHandle hung(CreateEventA(nullptr, TRUE, FALSE, nullptr));
  HangFrameWriteNumber(5, 35000, hung.Get());
  OnRecord(nullptr, first.c_str(), 0);
  ASSERT_EQ(WaitForSingleObject(hung.Get(), 20000), WAIT_OBJECT_0);
  OnStop();

  const DWORD asked = GetTickCount();
  OnRecord(nullptr, second.c_str(), 0);
  EXPECT_LT(GetTickCount() - asked, 1000u) << "the new recording was held up";
  while (!HasFrameOnDisk(second) && GetTickCount() - asked < 1000) Sleep(10);
  EXPECT_TRUE(HasFrameOnDisk(second)) << "no frame of the new recording within 1 s";
  EXPECT_STREQ(Recorder().outputPath, second.c_str());
  Sleep(500);
  OnStop();
  ASSERT_TRUE(WaitForVistrelIdle(90000));
  SetAviStreamWriteForTests(nullptr);

  AviFacts facts;
  EXPECT_EQ(PictureFrames(first, &facts), 5u) << "the previous run did not end whole with its frames";
  EXPECT_FALSE(Exists(RecoveryRecordPath(first)));
  EXPECT_GT(PictureFrames(second), 5u);
  EXPECT_FALSE(Exists(RecoveryRecordPath(second)));
  EXPECT_FALSE(Exists(RecordingPartPath(second, 2)));
}

// The one restart after a failed write belongs to each recording: a second recording in the same
// process whose compressor fails is restarted too, and keeps what it recorded after the failure.
TEST_F(Controller, EachRecordingRestartsOnceAfterItsCompressorFailed) {
  for (const char* name : {"one.avi", "two.avi"}) {
    SCOPED_TRACE(name);
    std::string output = dir / name;
    FailFrameWriteNumber(10, AVIERR_COMPRESSOR);
    OnRecord(nullptr, output.c_str(), 0);
    const DWORD start = GetTickCount();
    while (FrameWritesSoFar() < 30 && GetTickCount() - start < 20000) Sleep(20);
    EXPECT_EQ(Recorder().recording.load(), 1) << "the recording ended at its compressor failure";
    OnStop();
    ASSERT_TRUE(WaitForVistrelIdle(30000));
    EXPECT_EQ(PictureFrames(output), 9u);
    EXPECT_GT(PictureFrames(RecordingPartPath(output, 2)), 5u);
  }
  SetAviStreamWriteForTests(nullptr);
}

// A capture that ends without a stop (here every write fails after the one restart) tells the
// host's window why, and how long its files are, so that the lesson is not timed by the clock.
TEST_F(Controller, ACaptureThatEndsOnItsOwnTellsTheHostWhyAndHowLongItsFilesAre) {
  HWND host = MakeHostWindow();
  ASSERT_NE(host, nullptr);
  endedNotes = CaptureEndedNotes();
  std::string output = dir / "ended.avi";
  FailFrameWritesFrom(20);
  OnRecord(host, output.c_str(), 0);
  EXPECT_TRUE(PumpUntil([] { return endedNotes.count > 0; }, 30000));
  ASSERT_TRUE(WaitForVistrelIdle(30000));
  PumpUntil([] { return false; }, 200);
  SetAviStreamWriteForTests(nullptr);
  EXPECT_EQ(Recorder().recording.load(), 0);
  EXPECT_EQ(endedNotes.count, 1);
  EXPECT_EQ(endedNotes.reason, static_cast<WPARAM>(VistrelEndWriteFailed));
  AviFacts facts;
  ASSERT_EQ(PictureFrames(output, &facts), 19u);
  EXPECT_EQ(endedNotes.milliseconds, static_cast<LPARAM>(facts.length) * 1000 / 200);
  EXPECT_GT(endedNotes.milliseconds, 0);

  // A stopped recording sends nothing.
  endedNotes = CaptureEndedNotes();
  OnRecord(host, (dir / "stopped.avi").c_str(), 0);
  Sleep(300);
  OnStop();
  ASSERT_TRUE(WaitForVistrelIdle(30000));
  PumpUntil([] { return false; }, 200);
  EXPECT_EQ(endedNotes.count, 0);
  DestroyWindow(host);
}
