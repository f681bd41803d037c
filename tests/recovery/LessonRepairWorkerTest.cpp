// The start-up repair on its worker thread: it tells the window how far each lesson has come,
// waits while a recording runs, and a stop (the program's exit) leaves the lesson exactly as it
// was for the next start.
#include "mainwnd/LessonRepairWorker.h"
#include "recorder/recovery/AviCheck.h"
#include "recorder/recovery/RecoveryRecord.h"
#include "tests/recorder/RecordingFiles.h"
#include "tests/recovery/DamagedRecordings.h"
#include "tests/support/PumpUntil.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <vector>

namespace {
bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// The window's side: what the worker told it, the percents of the lesson in order.
std::vector<int> percentsSeen;
bool finishedSeen = false;
LessonRepairWorker* watched = nullptr;

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == LessonRepairWorker::Message()) {
    if (wParam == LessonRepairWorker::Finished) finishedSeen = true;
    for (const auto& lesson : watched->Pending()) percentsSeen.push_back(lesson.second);
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}


class RepairWorker : public ::testing::Test {
protected:
  void SetUp() override {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "RepairWorkerTest";
    RegisterClassA(&windowClass);
    window = CreateWindowA("RepairWorkerTest", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    percentsSeen.clear();
    finishedSeen = false;
    CreateDirectoryA((save / "20240601080000").c_str(), nullptr);
    CreateDirectoryA(html.c_str(), nullptr);
    WriteFileBytes(save / "20240601080000\\index.htm", "<html></html>");
    ASSERT_TRUE(RecordCorner(screen, screen, "", 500));
    ASSERT_TRUE(CutOffLikeAKill(screen, 0));
    before = ReadFileBytes(screen);
  }
  void TearDown() override { DestroyWindow(window); }
  TempDir save;
  std::string html = save / "20240601080000\\html";
  std::string screen = html + "\\screen.avi";
  std::string record = RecoveryRecordPath(screen);
  std::string before;
  HWND window = nullptr;
};
}  // namespace

TEST_F(RepairWorker, TellsTheWindowHowFarTheLessonIsAndWaitsWhileARecordingRuns) {
  LessonRepairWorker worker;
  watched = &worker;
  // A recording runs from before the repair starts.
  worker.Pause();
  worker.Start(window, FindInterruptedLessons(save.Path()));
  EXPECT_TRUE(worker.Running());
  EXPECT_TRUE(worker.UnderRepair("20240601080000"));
  PumpUntil([] { return false; }, 1000);
  EXPECT_TRUE(worker.Running());
  EXPECT_EQ(worker.Pending()["20240601080000"], LessonRepairWorker::kWaiting);
  EXPECT_EQ(ReadFileBytes(screen), before) << "the repair went on during the recording";
  EXPECT_TRUE(Exists(record));

  worker.Resume();
  ASSERT_TRUE(PumpUntil([] { return finishedSeen; }, 60000));
  EXPECT_FALSE(worker.Running());
  EXPECT_FALSE(worker.UnderRepair("20240601080000"));
  // The window read the lesson's percent as it grew (how many steps it saw depends on its pace).
  ASSERT_FALSE(percentsSeen.empty());
  for (size_t i = 1; i < percentsSeen.size(); ++i) EXPECT_LE(percentsSeen[i - 1], percentsSeen[i]);
  EXPECT_GE(percentsSeen.back(), 0);
  ASSERT_EQ(worker.Results().size(), 1u);
  EXPECT_EQ(worker.Results()[0].report.outcome, RepairOutcome::Repaired);
  EXPECT_TRUE(worker.Results()[0].durationWritten);
  EXPECT_TRUE(CheckAviFile(screen, nullptr));
  EXPECT_FALSE(Exists(record));
}

// The program ends during the repair: the repair stops at its next read, nothing of it is left,
// and the next start repairs the lesson as if it had never begun.
TEST_F(RepairWorker, AStopLeavesTheLessonAsItWasForTheNextStart) {
  LessonRepairWorker worker;
  watched = &worker;
  worker.Pause();
  worker.Start(window, FindInterruptedLessons(save.Path()));
  PumpUntil([] { return false; }, 300);
  const DWORD asked = GetTickCount();
  ASSERT_TRUE(worker.Stop(10000));
  EXPECT_LT(GetTickCount() - asked, 5000u);
  PumpUntil([] { return finishedSeen; }, 2000);
  EXPECT_FALSE(worker.Running());
  EXPECT_EQ(ReadFileBytes(screen), before);
  EXPECT_FALSE(Exists(screen + ".repair"));
  RecoveryRecord fields;
  ASSERT_TRUE(ReadRecoveryRecord(record, fields));
  EXPECT_TRUE(fields.handled.empty()) << fields.handled;

  std::vector<RecoveredLesson> next = RecoverInterruptedLessons(save.Path());
  ASSERT_EQ(next.size(), 1u);
  EXPECT_EQ(next[0].report.outcome, RepairOutcome::Repaired) << next[0].report.reason;
  EXPECT_TRUE(CheckAviFile(screen, nullptr));
}
