// Where temporary and final files go: beside the output with sound, the output itself without,
// random names in the temp folder when a path cannot be created, and the program's folder for
// good once the Windows temp folder proves unusable.
#include "recorder/RecorderState.h"
#include "recorder/TempPaths.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>
#include <cstring>
#include <regex>

namespace {
class TempPaths : public ::testing::Test {
protected:
  void SetUp() override {
    ResetRecorderState();
    CreateDirectoryA((windows / "temp").c_str(), nullptr);
    OverrideWindowsDirectory(windows.Path());
  }
  void TearDown() override {
    OverrideWindowsDirectory("");
    ResetRecorderState();
  }
  void SetOutput(const std::string& path, AudioMode mode) {
    strcpy(Recorder().outputPath, path.c_str());
    Recorder().audioMode = mode;
  }
  bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
  }
  TempDir windows;
  TempDir lessons;
};
}  // namespace

TEST_F(TempPaths, WithSoundVideoGoesBesideTheOutputAndSoundIntoTheTempFolder) {
  CreateDirectoryA((lessons / "l1").c_str(), nullptr);
  SetOutput(lessons / "l1\\screen.avi", AudioMicrophone);
  ASSERT_TRUE(ChooseTempVideoPath());
  EXPECT_EQ(Recorder().tempVideoPath, lessons / "l1\\~temp.avi");
  ASSERT_TRUE(ChooseTempSoundPath());
  EXPECT_EQ(Recorder().tempSoundPath, windows / "temp\\~temp001.wav");
  // The probes leave nothing behind.
  EXPECT_FALSE(Exists(Recorder().tempVideoPath));
  EXPECT_FALSE(Exists(Recorder().tempSoundPath));
}

TEST_F(TempPaths, WithoutSoundTheOutputIsWrittenDirectly) {
  SetOutput(lessons / "screen.avi", AudioNone);
  ASSERT_TRUE(WriteFileBytes(lessons / "screen.avi", "old"));
  ASSERT_TRUE(ChooseTempVideoPath());
  EXPECT_EQ(Recorder().tempVideoPath, lessons / "screen.avi");
  EXPECT_FALSE(Exists(lessons / "screen.avi"));
}

TEST_F(TempPaths, AnOutputThatCannotBeCreatedFallsBackToARandomTempName) {
  SetOutput(lessons / "missing\\screen.avi", AudioNone);
  ASSERT_TRUE(ChooseTempVideoPath());
  std::regex expected(std::regex_replace(windows / "temp\\~temp", std::regex(R"([\\.^$|()\[\]{}*+?])"),
                                         R"(\$&)") +
                      "[0-9]+\\.avi");
  EXPECT_TRUE(std::regex_match(Recorder().tempVideoPath, expected)) << Recorder().tempVideoPath;
}

TEST_F(TempPaths, ADoubleByteCharacterEndingInBackslashIsNotASeparator) {
  // "乗" is 0x81 0x5C in code page 936: its trail byte looks like a backslash.
  std::string name = lessons / "\x81\x5C";
  SetOutput(name, AudioMicrophone);
  ASSERT_TRUE(ChooseTempVideoPath());
  EXPECT_EQ(Recorder().tempVideoPath, lessons / "~temp.avi");
  EXPECT_EQ(CutBeforeLastBackslash("C:\\a\\b\x81\x5C"), "C:\\a");
  EXPECT_EQ(CutBeforeLastBackslash("screen.avi"), "");
}

TEST_F(TempPaths, OutputWithoutBackslashGivesTheBareTempName) {
  SetOutput("screen.avi", AudioMicrophone);
  ChooseTempVideoPath();
  // "\~temp.avi" is on the current drive's root, which may or may not be writable here.
  EXPECT_TRUE(Recorder().tempVideoPath == "\\~temp.avi" ||
              Recorder().tempVideoPath.find(windows / "temp\\~temp") == 0)
      << Recorder().tempVideoPath;
}

TEST_F(TempPaths, MissingTempFolderSendsFilesToTheProgramFolderForGood) {
  RemoveDirectoryA((windows / "temp").c_str());
  EXPECT_EQ(TempDirectory(), ProgramDirectory());
  EXPECT_EQ(Recorder().tempDirectoryChoice, 1);
  CreateDirectoryA((windows / "temp").c_str(), nullptr);
  EXPECT_EQ(TempDirectory(), ProgramDirectory());
  ASSERT_TRUE(ChooseTempSoundPath());
  EXPECT_EQ(Recorder().tempSoundPath, ProgramDirectory() + "\\~temp001.wav");
}

TEST_F(TempPaths, TempThatIsAFileIsUnusable) {
  RemoveDirectoryA((windows / "temp").c_str());
  ASSERT_TRUE(WriteFileBytes(windows / "temp", "not a folder"));
  EXPECT_EQ(TempDirectory(), ProgramDirectory());
  EXPECT_EQ(Recorder().tempDirectoryChoice, 1);
}

TEST_F(TempPaths, ProgramDirectoryIsTheHostsFolderWithoutBackslash) {
  char module[MAX_PATH];
  GetModuleFileNameA(nullptr, module, MAX_PATH);
  std::string dir = ProgramDirectory();
  ASSERT_FALSE(dir.empty());
  EXPECT_NE(dir.back(), '\\');
  EXPECT_EQ(std::string(module).rfind(dir + "\\", 0), 0u);
}
