#include "lessons/SubjectFile.h"
#include "lessons/SubjectScript.h"
#include "lessons/SubjectText.h"

#include "framework/Handles.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>
#include <windows.h>

namespace {
// Names of the entries of a folder, "." and ".." left out.
std::vector<std::string> Entries(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA data;
  FindHandle find(FindFirstFileA((folder + "\\*").c_str(), &data));
  if (!find.Valid()) return names;
  do {
    std::string name = data.cFileName;
    if (name != "." && name != "..") names.push_back(name);
  } while (FindNextFileA(find.Get(), &data));
  return names;
}
}  // namespace

TEST(SubjectText, LineBreaksAndSpacesTravelBothWays) {
  EXPECT_EQ(ToHtmlText("第一课\r\n主讲  王老师"), "第一课<br>主讲&nbsp;&nbsp;王老师");
  EXPECT_EQ(FromHtmlText("第一课<br>主讲&nbsp;&nbsp;王老师"), "第一课\r\n主讲  王老师");
  EXPECT_EQ(FromHtmlText(ToHtmlText("a  b\r\n\r\nc ")), "a  b\r\n\r\nc ");
}

TEST(SubjectText, LoneCarriageReturnsAndLineFeedsStayAsTheyAre) {
  EXPECT_EQ(ToHtmlText("a\nb\rc\n\rd"), "a\nb\rc\n\rd");
  EXPECT_EQ(FromHtmlText("a\nb\rc"), "a\nb\rc");
}

TEST(SubjectText, TypedMarkupReadsBackAsALineBreakAndMatchesAreCaseSensitive) {
  EXPECT_EQ(FromHtmlText(ToHtmlText("x<br>y")), "x\r\ny");
  EXPECT_EQ(FromHtmlText("x<BR>y&NBSP;z"), "x<BR>y&NBSP;z");
  // Matches do not overlap: "&nbsp;nbsp;" holds one.
  EXPECT_EQ(FromHtmlText("&nbsp;nbsp;"), " nbsp;");
}

TEST(SubjectFile, AMissingFileInAnExistingFolderIsCreatedEmpty) {
  TempDir dir;
  EXPECT_EQ(ReadSubject(dir / "subject.txt"), "");
  EXPECT_NE(GetFileAttributesA((dir / "subject.txt").c_str()), INVALID_FILE_ATTRIBUTES);
  // In a folder that does not exist nothing is created and the text is empty.
  EXPECT_EQ(ReadSubject(dir / "missing\\subject.txt"), "");
  EXPECT_EQ(GetFileAttributesA((dir / "missing").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST(SubjectFile, OnlyTheFirst102400BytesAreReadAndSavingKeepsWhatWasShown) {
  TempDir dir;
  std::string path = dir / "subject.txt";
  std::string big(kSubjectReadLimit, 'a');
  WriteFileBytes(path, big + "TAIL");
  std::string shown = ReadSubject(path);
  EXPECT_EQ(shown, big);
  ASSERT_TRUE(SaveSubject(path, shown));
  EXPECT_EQ(ReadFileBytes(path), big);
}

TEST(SubjectFile, SavingStoresTheFileFormWithoutATerminatingZero) {
  TempDir dir;
  std::string path = dir / "subject.txt";
  WriteFileBytes(path, "an older and much longer subject text");
  ASSERT_TRUE(SaveSubject(path, "新 课\r\n二"));
  EXPECT_EQ(ReadFileBytes(path), "新&nbsp;课<br>二");
  EXPECT_EQ(ReadSubject(path), "新 课\r\n二");
  // Nothing but the subject is left in the folder.
  EXPECT_EQ(Entries(dir.Path()), std::vector<std::string>{"subject.txt"});
}

TEST(SubjectFile, AFailedSaveLeavesTheOldSubjectAndNoTemporaryFile) {
  TempDir dir;
  std::string path = dir / "subject.txt";
  WriteFileBytes(path, "old<br>subject");
  {
    // Another program holds the file open without sharing, so it cannot be replaced.
    UniqueHandle holder(CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(holder.Valid());
    EXPECT_FALSE(SaveSubject(path, "new subject"));
  }
  EXPECT_EQ(ReadFileBytes(path), "old<br>subject");
  EXPECT_EQ(Entries(dir.Path()), std::vector<std::string>{"subject.txt"});

  // A folder that does not exist: nothing is written anywhere.
  EXPECT_FALSE(SaveSubject(dir / "gone\\subject.txt", "x"));
}

TEST(SubjectScript, IsPlainAsciiThatCarriesEveryCharacter) {
  std::string script = SubjectScriptText("课<br>a&nbsp;\"b\"\\</script>'");
  EXPECT_EQ(script,
            "var lessonSubject = \"\\u8bfe\\u003cbr\\u003ea\\u0026nbsp;\\u0022b\\u0022\\u005c"
            "\\u003c/script\\u003e\\u0027\";\r\n");
  EXPECT_EQ(SubjectScriptText(""), "var lessonSubject = \"\";\r\n");
  EXPECT_EQ(SubjectScriptText("a\r\nb\tc"), "var lessonSubject = \"a\\u000d\\u000ab\\u0009c\";\r\n");
}

TEST(SubjectScript, IsWrittenOnSaveOnlyForACoursePagesSubject) {
  TempDir lesson;
  TempDir saveFolder;
  CreateDirectoryA((lesson / "html").c_str(), nullptr);
  WriteFileBytes(lesson / "index.htm", "<html></html>");
  std::string subject = lesson / "html\\subject.txt";
  ASSERT_TRUE(SaveSubject(subject, "新\r\n课"));
  EXPECT_EQ(ReadFileBytes(lesson / "html\\subject.js"), SubjectScriptText("新<br>课"));

  // The save folder's own subject has no page beside it, and neither has an html folder
  // without "index.htm" above it.
  ASSERT_TRUE(SaveSubject(saveFolder / "subject.txt", "next lesson"));
  EXPECT_EQ(Entries(saveFolder.Path()), std::vector<std::string>{"subject.txt"});
  DeleteFileA((lesson / "index.htm").c_str());
  DeleteFileA((lesson / "html\\subject.js").c_str());
  ASSERT_TRUE(SaveSubject(subject, "x"));
  EXPECT_EQ(Entries(lesson / "html"), std::vector<std::string>{"subject.txt"});
}
