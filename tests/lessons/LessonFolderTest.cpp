#include "mainwnd/LessonFolder.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>
#include <windows.h>

namespace {
SYSTEMTIME Time(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second) {
  SYSTEMTIME t{};
  t.wYear = year;
  t.wMonth = month;
  t.wDay = day;
  t.wHour = hour;
  t.wMinute = minute;
  t.wSecond = second;
  return t;
}

LocalClock FixedClock(const SYSTEMTIME& time) {
  return [time] { return time; };
}

bool IsFolder(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool Exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// A program folder (with its trailing backslash, as the application keeps it) whose template
// holds a page, an html folder with a subject, a hidden file and a hidden folder.
struct ProgramWithTemplate {
  TempDir dir;
  std::string moduleDirectory = dir.Path() + "\\";
  ProgramWithTemplate() {
    std::string t = dir / "template";
    CreateDirectoryA(t.c_str(), nullptr);
    CreateDirectoryA((t + "\\html").c_str(), nullptr);
    CreateDirectoryA((t + "\\html\\pictures").c_str(), nullptr);
    CreateDirectoryA((t + "\\.svn").c_str(), nullptr);
    WriteFileBytes(t + "\\index.htm", "<html></html>");
    WriteFileBytes(t + "\\html\\subject.txt", "template subject");
    WriteFileBytes(t + "\\html\\pictures\\logo.bmp", "BM");
    WriteFileBytes(t + "\\.svn\\entries", "x");
    WriteFileBytes(t + "\\html\\thumbs.db", "hidden");
    SetFileAttributesA((t + "\\.svn").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_DIRECTORY);
    SetFileAttributesA((t + "\\html\\thumbs.db").c_str(), FILE_ATTRIBUTE_HIDDEN);
  }
};
}  // namespace

TEST(LessonFolder, NameIsFourteenDigitsOfTheLocalTime) {
  EXPECT_EQ(LessonFolderName(Time(2011, 7, 29, 6, 1, 56)), "20110729060156");
  EXPECT_EQ(LessonFolderName(Time(2026, 12, 8, 23, 0, 0)), "20261208230000");
}

TEST(CopyFolderTree, CopiesFilesAndVisibleFoldersButSkipsHiddenFolders) {
  ProgramWithTemplate program;
  TempDir target;
  std::string copy = target / "lesson";
  EXPECT_EQ(CopyFolderTree(program.dir / "template", copy), 1);
  EXPECT_EQ(ReadFileBytes(copy + "\\index.htm"), "<html></html>");
  EXPECT_EQ(ReadFileBytes(copy + "\\html\\subject.txt"), "template subject");
  EXPECT_EQ(ReadFileBytes(copy + "\\html\\pictures\\logo.bmp"), "BM");
  EXPECT_EQ(ReadFileBytes(copy + "\\html\\thumbs.db"), "hidden");
  EXPECT_FALSE(Exists(copy + "\\.svn"));
}

TEST(CopyFolderTree, ReplacesExistingFilesAndReportsAFailedCopy) {
  ProgramWithTemplate program;
  TempDir target;
  std::string copy = target / "lesson";
  CreateDirectoryA(copy.c_str(), nullptr);
  WriteFileBytes(copy + "\\index.htm", "old page");
  EXPECT_EQ(CopyFolderTree(program.dir / "template", copy), 1);
  EXPECT_EQ(ReadFileBytes(copy + "\\index.htm"), "<html></html>");

  // A folder in the way of a file makes that one copy fail; the rest is still copied.
  TempDir second;
  std::string blocked = second / "lesson";
  CreateDirectoryA(blocked.c_str(), nullptr);
  CreateDirectoryA((blocked + "\\index.htm").c_str(), nullptr);
  EXPECT_EQ(CopyFolderTree(program.dir / "template", blocked), 0);
  EXPECT_EQ(ReadFileBytes(blocked + "\\html\\subject.txt"), "template subject");
}

TEST(CreateLessonFolder, CopiesTheTemplateAndTheSaveFoldersSubject) {
  ProgramWithTemplate program;
  TempDir save;
  WriteFileBytes(save / "subject.txt", "第一课<br>主讲：王老师");
  std::string html =
      CreateLessonFolder(save.Path(), program.moduleDirectory, FixedClock(Time(2011, 7, 29, 14, 30, 5)));
  EXPECT_EQ(html, save / "20110729143005\\html");
  EXPECT_EQ(ReadFileBytes(save / "20110729143005\\index.htm"), "<html></html>");
  EXPECT_EQ(ReadFileBytes(html + "\\subject.txt"), "第一课<br>主讲：王老师");
  // The page's copy of the subject is made with the folder.
  EXPECT_EQ(ReadFileBytes(html + "\\subject.js").rfind("var lessonSubject = \"", 0), 0u);
}

TEST(CreateLessonFolder, KeepsTheTemplateSubjectWhenTheSaveFolderHasNone) {
  ProgramWithTemplate program;
  TempDir save;
  std::string html =
      CreateLessonFolder(save.Path(), program.moduleDirectory, FixedClock(Time(2011, 7, 29, 14, 30, 5)));
  EXPECT_EQ(ReadFileBytes(html + "\\subject.txt"), "template subject");
}

TEST(CreateLessonFolder, ASecondRecordingInTheSameSecondGetsTheNextFreeSecond) {
  ProgramWithTemplate program;
  TempDir save;
  LocalClock clock = FixedClock(Time(2011, 7, 29, 14, 30, 5));
  std::string first = CreateLessonFolder(save.Path(), program.moduleDirectory, clock);
  WriteFileBytes(first + "\\video.wmv", "first recording");
  // A file of the next second's name is in the way too.
  WriteFileBytes(save / "20110729143006", "not a lesson");
  std::string second = CreateLessonFolder(save.Path(), program.moduleDirectory, clock);
  EXPECT_EQ(first, save / "20110729143005\\html");
  EXPECT_EQ(second, save / "20110729143007\\html");
  EXPECT_EQ(ReadFileBytes(first + "\\video.wmv"), "first recording");
  EXPECT_TRUE(IsFolder(second));
}

TEST(CreateLessonFolder, TheNextSecondCarriesOverIntoTheNextYear) {
  ProgramWithTemplate program;
  TempDir save;
  LocalClock clock = FixedClock(Time(2011, 12, 31, 23, 59, 59));
  CreateLessonFolder(save.Path(), program.moduleDirectory, clock);
  EXPECT_EQ(CreateLessonFolder(save.Path(), program.moduleDirectory, clock),
            save / "20120101000000\\html");
}

TEST(PrepareLessonOutputs, SetsTheCurrentLessonAndBothRecordingPaths) {
  ProgramWithTemplate program;
  TempDir save;
  LessonOutputs outputs =
      PrepareLessonOutputs(save.Path(), program.moduleDirectory, FixedClock(Time(2020, 1, 2, 3, 4, 5)));
  EXPECT_EQ(CurrentLessonDir, save / "20200102030405\\html");
  EXPECT_EQ(outputs.lessonDir, CurrentLessonDir);
  EXPECT_EQ(outputs.videoOutputPath, CurrentLessonDir + "\\video.wmv");
  EXPECT_EQ(outputs.screenOutputPath, CurrentLessonDir + "\\screen.avi");
}

TEST(PrepareLessonOutputs, WithoutATemplateTheHtmlFolderIsStillMade) {
  TempDir program;
  TempDir save;
  std::string deepSave = save / "2011\\July";
  LessonOutputs outputs =
      PrepareLessonOutputs(deepSave, program.Path() + "\\", FixedClock(Time(2011, 7, 29, 6, 1, 56)));
  EXPECT_EQ(outputs.lessonDir, deepSave + "\\20110729060156\\html");
  EXPECT_TRUE(IsFolder(outputs.lessonDir));
  EXPECT_FALSE(Exists(deepSave + "\\20110729060156\\index.htm"));
}
