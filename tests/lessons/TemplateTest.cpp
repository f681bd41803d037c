// The course template as the build puts it into the program folder.
#include "lessons/PartsScripts.h"
#include "lessons/PausesScript.h"
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
  EXPECT_NE(page.find("<script src=\"html/screen.js\"></script>"), std::string::npos);
  EXPECT_NE(page.find("screenParts"), std::string::npos);
  EXPECT_NE(page.find("<script src=\"html/video.js\"></script>"), std::string::npos);
  EXPECT_NE(page.find("videoParts"), std::string::npos);
  EXPECT_NE(page.find("<script src=\"html/pauses.js\"></script>"), std::string::npos);
  EXPECT_NE(page.find("recordingPauses"), std::string::npos);
  EXPECT_NE(page.find("<script src=\"html/slides.js\"></script>"), std::string::npos);
  EXPECT_NE(page.find("LESSON_SLIDES"), std::string::npos);

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

TEST(CourseTemplate, AScreenRecordingOfSeveralPartsIsListedInPlayingOrder) {
  TempDir html;
  std::string script = html / "screen.js";
  // One part needs no list.
  ASSERT_TRUE(WriteFileBytes(html / "screen.avi", "a"));
  EXPECT_TRUE(WriteScreenPartsScript(html.Path()));
  EXPECT_EQ(GetFileAttributesA(script.c_str()), INVALID_FILE_ATTRIBUTES);
  // Parts 2 to 11: "screen-10.avi" comes after "screen-9.avi", not after "screen-1".
  for (int part = 2; part <= 11; ++part) ASSERT_TRUE(WriteFileBytes(html / Format("screen-%d.avi", part), "b"));
  ASSERT_TRUE(WriteFileBytes(html / "screen-13.avi", "not after a gap"));
  EXPECT_TRUE(WriteScreenPartsScript(html.Path()));
  std::string text = ReadFileBytes(script);
  EXPECT_EQ(text.rfind("var screenParts = [\"html/screen.avi\", \"html/screen-2.avi\", ", 0), 0u) << text;
  EXPECT_NE(text.find("\"html/screen-9.avi\", \"html/screen-10.avi\", \"html/screen-11.avi\"];\r\n"), std::string::npos);
  EXPECT_EQ(text.find("screen-13"), std::string::npos);
  // A list that is there is kept right when the parts change.
  for (int part = 3; part <= 11; ++part) DeleteFileA((html / Format("screen-%d.avi", part)).c_str());
  EXPECT_TRUE(WriteScreenPartsScript(html.Path()));
  EXPECT_EQ(ReadFileBytes(script), "var screenParts = [\"html/screen.avi\", \"html/screen-2.avi\"];\r\n");
  EXPECT_EQ(PartsScriptText("screenParts", {"课.avi"}), "var screenParts = [\"html/\\u8bfe.avi\"];\r\n");
}

TEST(CourseTemplate, ACameraRecordingOfSeveralPartsIsListedBesideTheScreenParts) {
  TempDir html;
  ASSERT_TRUE(WriteFileBytes(html / "screen.avi", "a"));
  ASSERT_TRUE(WriteFileBytes(html / "video.wmv", "a"));
  ASSERT_TRUE(WriteFileBytes(html / "video-2.wmv", "sound only"));
  ASSERT_TRUE(WriteFileBytes(html / "video-3.wmv", "c"));
  EXPECT_TRUE(WriteRecordingPartsScripts(html.Path()));
  EXPECT_EQ(ReadFileBytes(html / "video.js"),
            "var videoParts = [\"html/video.wmv\", \"html/video-2.wmv\", \"html/video-3.wmv\"];\r\n");
  EXPECT_EQ(GetFileAttributesA((html / "screen.js").c_str()), INVALID_FILE_ATTRIBUTES) << "one screen file needs no list";
  // A first part that the writer could not create leaves the later ones listed.
  DeleteFileA((html / "video.wmv").c_str());
  EXPECT_TRUE(WriteVideoPartsScript(html.Path()));
  EXPECT_EQ(ReadFileBytes(html / "video.js"), "var videoParts = [\"html/video-2.wmv\", \"html/video-3.wmv\"];\r\n");
}

TEST(CourseTemplate, ThePausesAreListedOnTheRecordingsTimeAxis) {
  TempDir html;
  std::string script = html / "pauses.js";
  // A recording without pauses needs no list.
  EXPECT_TRUE(WritePausesScript(html.Path(), {}));
  EXPECT_EQ(GetFileAttributesA(script.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(WritePausesScript(html.Path(), {{8000, 6000}, {16000, 0}, {3725000, 61000, true}}));
  // The last is the pause the recording ended in: its length is not known.
  EXPECT_EQ(ReadFileBytes(script), "var recordingPauses = [[8000, 6000], [16000, 0], [3725000, null]];\r\n");
  // A list that is there is replaced, also by an empty one.
  EXPECT_TRUE(WritePausesScript(html.Path(), {}));
  EXPECT_EQ(ReadFileBytes(script), "var recordingPauses = [];\r\n");
}
