// The course template as the build puts it into the program folder.
#include "lessons/SubjectFile.h"
#include "mainwnd/LessonFolder.h"

#include "framework/Text.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>

namespace {
// The program folder, from the Linux path that ctest passes in.
std::string ProgramFolder() {
  const char* dist = std::getenv("LUMORA_DIST");
  return dist ? "Z:" + ReplaceAll(dist, "/", "\\") + "\\" : std::string();
}
}  // namespace

TEST(CourseTemplate, HoldsThePageAndAChineseStartingSubjectInTheAnsiCodePage) {
  std::string program = ProgramFolder();
  ASSERT_FALSE(program.empty());
  std::string page = ReadFileBytes(program + "template\\index.htm");
  EXPECT_NE(page.find("html/subject.js"), std::string::npos);
  EXPECT_NE(page.find("html/video.wmv"), std::string::npos);
  EXPECT_NE(page.find("html/screen.avi"), std::string::npos);

  std::string subject = ReadFileBytes(program + "template\\html\\subject.txt");
  ASSERT_FALSE(subject.empty());
  // GBK text, not UTF-8: it converts strictly from code page 936 and holds Chinese.
  int wide = MultiByteToWideChar(936, MB_ERR_INVALID_CHARS, subject.data(),
                                 static_cast<int>(subject.size()), nullptr, 0);
  EXPECT_GT(wide, 0);
  EXPECT_NE(subject.find("主题"), std::string::npos);
  EXPECT_EQ(subject.find("\xEF\xBB\xBF"), std::string::npos);
}

TEST(CourseTemplate, ANewLessonFromTheShippedTemplateCanBeOpenedAsAPage) {
  TempDir save;
  WriteFileBytes(save / "subject.txt", "期中复习<br>主讲：张老师");
  SYSTEMTIME t{};
  t.wYear = 2011; t.wMonth = 7; t.wDay = 29; t.wHour = 14; t.wMinute = 30; t.wSecond = 5;
  LessonOutputs outputs = PrepareLessonOutputs(save.Path(), ProgramFolder(), [t] { return t; });
  EXPECT_NE(ReadFileBytes(save / "20110729143005\\index.htm").find("<!DOCTYPE html>"), std::string::npos);
  EXPECT_EQ(ReadSubjectFileBytes(outputs.lessonDir + "\\subject.txt"), "期中复习<br>主讲：张老师");
  EXPECT_NE(ReadFileBytes(outputs.lessonDir + "\\subject.js").find("\\u671f\\u4e2d"), std::string::npos);
}
