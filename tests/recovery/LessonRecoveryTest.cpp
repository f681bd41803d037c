// The start-up repair of whole lessons: a lesson folder moved or copied after its recording was
// cut off is repaired where it is now, a lesson's length is written once all its parts are
// settled, and the parts of its camera file are kept and listed.
#include "mainwnd/InterruptedLessons.h"
#include "recorder/recovery/AviCheck.h"
#include "recorder/recovery/RecordingRepair.h"
#include "recorder/recovery/RecoveryRecord.h"
#include "tests/recorder/RecordingFiles.h"
#include "tests/recovery/DamagedRecordings.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>
#include <windows.h>

namespace {
bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// An empty lesson folder (index.htm and html) under `save`; returns its html folder.
std::string MakeLesson(const TempDir& save, const std::string& name) {
  CreateDirectoryA((save / name).c_str(), nullptr);
  CreateDirectoryA((save / name + "\\html").c_str(), nullptr);
  WriteFileBytes(save / name + "\\index.htm", "<html></html>");
  return save / name + "\\html";
}

// Copies the files of a folder (hidden ones too, with their attributes) into a new folder.
void CopyFiles(const std::string& from, const std::string& to) {
  CreateDirectoryA(to.c_str(), nullptr);
  WIN32_FIND_DATAA found = {};
  HANDLE search = FindFirstFileA((from + "\\*").c_str(), &found);
  ASSERT_NE(search, INVALID_HANDLE_VALUE);
  do {
    std::string name = found.cFileName;
    if (name == "." || name == "..") continue;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      CopyFiles(from + "\\" + name, to + "\\" + name);
    } else {
      ASSERT_TRUE(CopyFileA((from + "\\" + name).c_str(), (to + "\\" + name).c_str(), FALSE)) << name;
    }
  } while (FindNextFileA(search, &found));
  FindClose(search);
}

std::string Duration(const std::string& html) {
  char value[80] = {};
  GetPrivateProfileStringA("TimeInfo", "time", "", value, sizeof(value), (html + "\\time.ini").c_str());
  return value;
}
}  // namespace

// The answer to "no room" is to move the lesson to another disk: its record still names the old
// place, yet its frames lie beside it.
TEST(LessonsMovedOrCopied, AMovedLessonIsRepairedWhereItIsNow) {
  TempDir oldSave, newSave;
  std::string html = MakeLesson(oldSave, "20240401080000");
  std::string screen = html + "\\screen.avi";
  ASSERT_TRUE(RecordCorner(screen, screen, "", 250));
  ASSERT_TRUE(CutOffLikeAKill(screen, 0));
  ASSERT_TRUE(MoveFileExA((oldSave / "20240401080000").c_str(), (newSave / "20240401080000").c_str(),
                          MOVEFILE_COPY_ALLOWED));
  const std::string moved = newSave / "20240401080000\\html";

  std::vector<RecoveredLesson> results = RecoverInterruptedLessons(newSave.Path());
  ASSERT_EQ(results.size(), 1u);
  EXPECT_EQ(results[0].report.outcome, RepairOutcome::Repaired) << results[0].report.reason;
  AviFacts facts;
  ASSERT_TRUE(CheckAviFile(moved + "\\screen.avi", &facts));
  EXPECT_EQ(facts.videoEntries - facts.emptyFrames, 250u);
  EXPECT_FALSE(Exists(RecoveryRecordPath(moved + "\\screen.avi")));
  EXPECT_EQ(Duration(moved), "00:00:05");
  EXPECT_FALSE(Exists(oldSave / "20240401080000"));
}

// A copied lesson with sound: each copy's record names the original's files and the run's sound
// in the temp folder. Each copy is repaired from its own frames, both get the sound, and the
// sound goes only with the last of them.
TEST(LessonsMovedOrCopied, ACopiedLessonWithSoundIsRepairedTwiceEachFromItsOwnFrames) {
  TempDir save, temp;
  std::string html = MakeLesson(save, "20240402080000");
  std::string wav = temp / "~temp001.wav";
  ASSERT_TRUE(RecordCorner(html + "\\~temp.avi", html + "\\screen.avi", wav, 100));
  ASSERT_TRUE(CutOffLikeAKill(html + "\\~temp.avi", 0));
  ASSERT_TRUE(MakeUnclosedWav(wav, 500));
  CopyFiles(save / "20240402080000", save / "20240402090000");
  const std::string copy = save / "20240402090000\\html";
  // The copy's frames are fewer, so that its repair shows whose frames it took; its record is
  // the original's, copied.
  std::string shorter = temp / "shorter.avi";
  ASSERT_TRUE(RecordCorner(shorter, shorter, "", 40));
  ASSERT_TRUE(CutOffLikeAKill(shorter, 0));
  ASSERT_TRUE(CopyFileA(shorter.c_str(), (copy + "\\~temp.avi").c_str(), FALSE));

  std::vector<RecoveredLesson> results = RecoverInterruptedLessons(save.Path());
  ASSERT_EQ(results.size(), 2u);
  for (const RecoveredLesson& lesson : results)
    EXPECT_EQ(lesson.report.outcome, RepairOutcome::Repaired) << lesson.folderName << ": " << lesson.report.reason;
  AviFacts original, copied;
  ASSERT_TRUE(CheckAviFile(html + "\\screen.avi", &original));
  ASSERT_TRUE(CheckAviFile(copy + "\\screen.avi", &copied));
  EXPECT_EQ(original.videoEntries - original.emptyFrames, 100u);
  EXPECT_EQ(copied.videoEntries - copied.emptyFrames, 40u);
  EXPECT_EQ(original.soundBytes, 22050u * 4 / 2);
  EXPECT_EQ(copied.soundBytes, 22050u * 4 / 2);
  for (const std::string& folder : {html, copy}) {
    EXPECT_FALSE(Exists(folder + "\\~temp.avi")) << folder;
    EXPECT_FALSE(Exists(RecoveryRecordPath(folder + "\\~temp.avi"))) << folder;
  }
  EXPECT_FALSE(Exists(wav));
}

// A long recording cut off in its second part while its first part was still being closed
// (a second Lumora, or a finish that hung): the first start repairs what it can, the second the
// rest, and the lesson's length then covers both parts.
TEST(LessonLength, IsWrittenOnceEveryPartIsSettled) {
  TempDir save;
  std::string html = MakeLesson(save, "20240403080000");
  std::string first = html + "\\screen.avi", second = html + "\\screen-2.avi";
  ASSERT_TRUE(RecordCorner(first, first, "", 500));  // 10 s
  ASSERT_TRUE(CutOffLikeAKill(first, 0));
  ASSERT_TRUE(RecordCorner(second, second, "", 250));  // 5 s
  ASSERT_TRUE(CutOffLikeAKill(second, 0));

  HANDLE writer = CreateFileA(first.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(writer, INVALID_HANDLE_VALUE);
  std::vector<RecoveredLesson> results = RecoverInterruptedLessons(save.Path());
  CloseHandle(writer);
  ASSERT_EQ(results.size(), 2u);
  EXPECT_EQ(Duration(html), "") << "a length was written while a part was still being written";

  results = RecoverInterruptedLessons(save.Path());
  ASSERT_EQ(results.size(), 1u);
  EXPECT_EQ(results[0].report.outcome, RepairOutcome::Repaired) << results[0].report.reason;
  EXPECT_TRUE(results[0].durationWritten);
  EXPECT_EQ(Duration(html), "00:00:15");
  EXPECT_TRUE(RecoverInterruptedLessons(save.Path()).empty());
}

// A camera that dropped out left the camera file in three parts, the last cut off with the program
// (the writer never finished it): the repair of the screen file leaves them all as they are and
// the course page lists them.
TEST(CameraParts, AreKeptAndListedWhenTheRecordingWasCutOff) {
  TempDir save;
  std::string html = MakeLesson(save, "20240404080000");
  std::string screen = html + "\\screen.avi";
  ASSERT_TRUE(RecordCorner(screen, screen, "", 250));  // 5 s
  ASSERT_TRUE(CutOffLikeAKill(screen, 0));
  const std::pair<const char*, std::string> parts[] = {
      {"video.wmv", "picture and sound"}, {"video-2.wmv", "sound only"}, {"video-3.wmv", std::string(600, '\0')}};
  for (const auto& part : parts) ASSERT_TRUE(WriteFileBytes(html + "\\" + part.first, part.second));

  std::vector<RecoveredLesson> results = RecoverInterruptedLessons(save.Path());
  ASSERT_EQ(results.size(), 1u);
  EXPECT_EQ(results[0].report.outcome, RepairOutcome::Repaired) << results[0].report.reason;
  for (const auto& part : parts) EXPECT_EQ(ReadFileBytes(html + "\\" + part.first), part.second) << part.first;
  EXPECT_EQ(ReadFileBytes(html + "\\video.js"),
            "var videoParts = [\"html/video.wmv\", \"html/video-2.wmv\", \"html/video-3.wmv\"];\r\n");
  EXPECT_EQ(Duration(html), "00:00:05");
}

// A stop on a full disk wrote neither the length nor the lists: the next start writes both.
TEST(CameraParts, AreListedWithTheLengthAFullDiskKeptOut) {
  TempDir save;
  std::string html = MakeLesson(save, "20240405080000");
  std::string screen = html + "\\screen.avi";
  ASSERT_TRUE(RecordCorner(screen, screen, "", 250));
  DeleteRecoveryRecord(RecoveryRecordPath(screen));
  ASSERT_TRUE(WriteFileBytes(html + "\\time.ini", ""));
  ASSERT_TRUE(WriteFileBytes(html + "\\video.wmv", "a"));
  ASSERT_TRUE(WriteFileBytes(html + "\\video-2.wmv", "b"));

  std::vector<RecoveredLesson> results = RecoverInterruptedLessons(save.Path());
  ASSERT_EQ(results.size(), 1u);
  EXPECT_TRUE(results[0].durationWritten);
  EXPECT_EQ(ReadFileBytes(html + "\\video.js"), "var videoParts = [\"html/video.wmv\", \"html/video-2.wmv\"];\r\n");
  EXPECT_EQ(ReadFileBytes(html + "\\video-2.wmv"), "b");
}
