#include "app/StartUp.h"
#include "app/Settings.h"
#include "app/TitleSettings.h"
#include "framework/Handles.h"
#include "mainwnd/FolderOps.h"
#include "tests/support/MessageBoxRecorder.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>
#include <windows.h>

namespace {
// The program folder as the application object keeps it: with a trailing backslash.
std::string ProgramFolder(const TempDir& dir) { return dir.Path() + "\\"; }

std::string SetupIni(const TempDir& dir) { return dir / "Setup.ini"; }

void WriteSetup(const TempDir& dir, const std::string& body) {
  ASSERT_TRUE(WriteFileBytes(SetupIni(dir), body));
}
}  // namespace

TEST(StartUp, FirstStartCreatesSetupIniWithOnlyTheOverlayText) {
  TempDir dir;
  EnsureSettingsFile(ProgramFolder(dir));
  EXPECT_EQ(ReadFileBytes(SetupIni(dir)), "[Setup]\r\nOverlayText=Lumora\r\n");
  EXPECT_EQ(ReadLanguage(ProgramFolder(dir)), 0);
}

TEST(StartUp, ExistingSetupIniIsNotTouched) {
  TempDir dir;
  WriteSetup(dir, "[Setup]\r\nSaveDir=C:\\x\r\n");
  EnsureSettingsFile(ProgramFolder(dir));
  EXPECT_EQ(ReadFileBytes(SetupIni(dir)), "[Setup]\r\nSaveDir=C:\\x\r\n");
}

TEST(StartUp, LanguageFollowsAtoiRules) {
  TempDir dir;
  const struct { const char* stored; int expected; } cases[] = {
      {"1", 1}, {"English", 0}, {"2", 2}, {"7abc", 7}, {"", 0}};
  for (const auto& c : cases) {
    WriteSetup(dir, std::string("[Setup]\r\nLanguage=") + c.stored + "\r\n");
    EXPECT_EQ(ReadLanguage(ProgramFolder(dir)), c.expected) << c.stored;
  }
  WriteSetup(dir, "[Setup]\r\nOverlayText=Lumora\r\n");
  EXPECT_EQ(ReadLanguage(ProgramFolder(dir)), 0);
}

TEST(StartUp, ModuleDirectoryEndsWithOneBackslash) {
  std::string dir = ModuleDirectory();
  ASSERT_FALSE(dir.empty());
  EXPECT_EQ(dir.back(), '\\');
  EXPECT_NE(dir.substr(dir.size() - 2), "\\\\");
  EXPECT_NE(GetFileAttributesA((dir + "app_tests.exe").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST(SettingsStore, LoadReadsTheStoredKeysTitleIncluded) {
  TempDir dir;
  WriteSetup(dir,
             "[Setup]\r\nSaveDir=D:\\Lessons\r\nVDeviceIndex=3\r\nADeviceIndex=x\r\nEnableTitle=1\r\n"
             "OverlayText=\xCA\xFD\xD1\xA7 Changed\r\nOverlayFontSize=9\r\nOverlayType=1\r\n"
             "OverlayPos=RightBottom\r\nOverlayFontColor=Green\r\n");
  Settings settings;
  LoadSettings(settings, ProgramFolder(dir));
  EXPECT_EQ(settings.SaveDir, "D:\\Lessons");
  EXPECT_EQ(settings.VDeviceIndex, 3);
  EXPECT_EQ(settings.ADeviceIndex, 0);
  EXPECT_EQ(settings.EnableTitle, 1);
  EXPECT_EQ(settings.OverlayType, 1);
  EXPECT_EQ(settings.OverlayText, "\xCA\xFD\xD1\xA7 Changed");
  EXPECT_EQ(settings.OverlayFontSize, 9);
  EXPECT_EQ(settings.OverlayPos, "RightBottom");
  EXPECT_EQ(settings.OverlayFontColor, "Green");
}

TEST(SettingsStore, MissingOrBadTitleValuesFallBackToTheDefaults) {
  TempDir dir;
  const char* bodies[] = {
      "[Setup]\r\n",
      "[Setup]\r\nEnableTitle=yes\r\nOverlayType=2\r\nOverlayText=\r\nOverlayPos=topleft\r\n"
      "OverlayFontSize=7\r\nOverlayFontColor=Purple\r\n",
      "[Setup]\r\nEnableTitle=1x\r\nOverlayType=-1\r\nOverlayPos=Middle\r\nOverlayFontSize=201\r\n"
      "OverlayFontColor=black\r\n",
      "[Setup]\r\nEnableTitle=99999999999\r\nOverlayType=0x1\r\nOverlayFontSize=50.5\r\n",
  };
  for (const char* body : bodies) {
    WriteSetup(dir, body);
    Settings settings;
    settings.OverlayType = 5;
    MessageBoxRecorder boxes;
    LoadSettings(settings, ProgramFolder(dir));
    EXPECT_EQ(settings.EnableTitle, 0) << body;
    EXPECT_EQ(settings.OverlayType, 0) << body;
    EXPECT_EQ(settings.OverlayText, "Lumora") << body;
    EXPECT_EQ(settings.OverlayPos, "") << body;
    EXPECT_EQ(settings.OverlayFontSize, 50) << body;
    EXPECT_EQ(settings.OverlayFontColor, "Black") << body;
    EXPECT_TRUE(boxes.Texts().empty()) << "no message for bad values";
  }
  // A title longer than the dialog allows.
  WriteSetup(dir, "[Setup]\r\nOverlayText=" + std::string(101, 'a') + "\r\n");
  Settings settings;
  LoadSettings(settings, ProgramFolder(dir));
  EXPECT_EQ(settings.OverlayText, "Lumora");
  WriteSetup(dir, "[Setup]\r\nOverlayText=" + std::string(100, 'a') + "\r\n");
  LoadSettings(settings, ProgramFolder(dir));
  EXPECT_EQ(settings.OverlayText, std::string(100, 'a'));
}

TEST(SettingsStore, AnsiTextIsCutBetweenCharacters) {
  const std::string math = "\xCA\xFD\xD1\xA7";  // two double-byte characters
  EXPECT_EQ(CutAnsiText(math, 4), math);
  EXPECT_EQ(CutAnsiText(math, 3), "\xCA\xFD");
  EXPECT_EQ(CutAnsiText("a" + math, 2), "a");
  EXPECT_EQ(CutAnsiText("abc", 0), "");
  EXPECT_EQ(CutAnsiText("ab\xCA", 10), "ab") << "a lead byte without its trail byte";
}

TEST(SettingsStore, SaveWritesNineKeysInOrder) {
  TempDir dir;
  WriteSetup(dir, "[Setup]\r\nOverlayText=Edited by hand\r\n");
  Settings settings;
  LoadSettings(settings, ProgramFolder(dir));
  settings.SaveDir = "C:\\Lessons";
  SaveSettings(settings, ProgramFolder(dir));
  EXPECT_EQ(ReadFileBytes(SetupIni(dir)),
            "[Setup]\r\nOverlayText=Edited by hand\r\nFileFormat=1\r\nOverlayType=0\r\nOverlayPos=\r\n"
            "OverlayFontSize=50\r\nOverlayFontColor=Black\r\nSaveDir=C:\\Lessons\r\nVDeviceIndex=0\r\n"
            "ADeviceIndex=0\r\n");
}

TEST(SettingsStore, LongSaveDirRoundTrips) {
  TempDir dir;
  Settings settings;
  settings.SaveDir = "C:\\" + std::string(196, 'a') + "\\录像";
  ASSERT_GT(settings.SaveDir.size(), 200u);
  SaveSettings(settings, ProgramFolder(dir));
  Settings loaded;
  LoadSettings(loaded, ProgramFolder(dir));
  EXPECT_EQ(loaded.SaveDir, settings.SaveDir);
}

TEST(SettingsStore, ResolveSaveDirKeepsAnExistingFolder) {
  TempDir dir;
  Settings settings;
  settings.SaveDir = dir.Path();
  ResolveSaveDir(settings);
  EXPECT_EQ(settings.SaveDir, dir.Path());
}

TEST(SettingsStore, ResolveSaveDirCreatesAMissingNestedFolder) {
  TempDir dir;
  Settings settings;
  settings.SaveDir = dir / "a\\b\\c";
  ResolveSaveDir(settings);
  EXPECT_EQ(settings.SaveDir, dir / "a\\b\\c");
  EXPECT_TRUE(GetFileAttributesA(settings.SaveDir.c_str()) & FILE_ATTRIBUTE_DIRECTORY);
}

// Sets the documents folder of the test prefix's registry for one test.
class DocumentsFolderOverride {
public:
  explicit DocumentsFolderOverride(const std::string& value) {
    RegOpenKeyExA(HKEY_CURRENT_USER, kKey, 0, KEY_ALL_ACCESS, key_.Out());
    char buffer[MAX_PATH] = {};
    DWORD size = sizeof(buffer);
    hadValue_ = RegQueryValueExA(key_.Get(), "Personal", nullptr, nullptr,
                                 reinterpret_cast<BYTE*>(buffer), &size) == ERROR_SUCCESS;
    saved_ = buffer;
    RegSetValueExA(key_.Get(), "Personal", 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>(value.size() + 1));
  }
  ~DocumentsFolderOverride() {
    if (hadValue_) {
      RegSetValueExA(key_.Get(), "Personal", 0, REG_SZ, reinterpret_cast<const BYTE*>(saved_.c_str()),
                     static_cast<DWORD>(saved_.size() + 1));
    } else {
      RegDeleteValueA(key_.Get(), "Personal");
    }
  }

private:
  static constexpr const char* kKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
  RegistryKey key_;
  bool hadValue_ = false;
  std::string saved_;
};

TEST(SettingsStore, ResolveSaveDirFallsBackToDocumentsThenCamera) {
  TempDir docs;
  // A documents path longer than 50 bytes is read whole.
  std::string longDocs = docs / std::string(60, 'd');
  ASSERT_TRUE(CreateDirectoryA(longDocs.c_str(), nullptr));
  {
    DocumentsFolderOverride override(longDocs);
    EXPECT_EQ(DocumentsFolder(), longDocs);
    Settings settings;
    settings.SaveDir = "Q:\\no such drive";
    ResolveSaveDir(settings);
    EXPECT_EQ(settings.SaveDir, longDocs + "\\录像");
    EXPECT_TRUE(GetFileAttributesA(settings.SaveDir.c_str()) & FILE_ATTRIBUTE_DIRECTORY);
  }
  {
    DocumentsFolderOverride override("Q:\\unreachable");
    Settings settings;
    settings.SaveDir = "";
    ResolveSaveDir(settings);
    EXPECT_EQ(settings.SaveDir, "C:\\Camera");
    EXPECT_TRUE(GetFileAttributesA("C:\\Camera") & FILE_ATTRIBUTE_DIRECTORY);
  }
}

TEST(FolderOps, DriveRootsAreRefused) {
  EXPECT_EQ(CreateDirectoryPath("C:\\"), 0);
  EXPECT_FALSE(EnsureDirectory("C:\\"));
}

TEST(FolderOps, CreatesEveryLevelOfAPath) {
  TempDir dir;
  std::string path = dir / "one\\two\\three";
  EXPECT_EQ(CreateDirectoryPath(path), 1);
  EXPECT_TRUE(GetFileAttributesA((dir / "one").c_str()) & FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_TRUE(GetFileAttributesA((dir / "one\\two").c_str()) & FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_TRUE(EnsureDirectory(path));
  EXPECT_EQ(CreateDirectoryPath(path), 1);  // existing path
}

TEST(FolderOps, DoubleByteTrailBackslashIsNotASeparator) {
  TempDir dir;
  // "\x95\x5C" is one GBK character whose trail byte is a backslash.
  std::string path = dir / "\x95\x5C" "x\\sub";
  EXPECT_EQ(CreateDirectoryPath(path), 1);
  EXPECT_TRUE(GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_DIRECTORY);
}

TEST(FolderOps, SecurityAttributesAreSharedAndOpen) {
  SECURITY_ATTRIBUTES* first = OpenSecurityAttributes();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first, OpenSecurityAttributes());
  // The size Windows defines for the structure: a DWORD, a pointer and a BOOL, aligned.
  EXPECT_EQ(first->nLength, sizeof(void*) == 4 ? 12u : 24u);
  EXPECT_FALSE(first->bInheritHandle);
}

TEST(Text, ChineseLiteralsReachTheMessageBoxAsGbkBytes) {
  MessageBoxRecorder boxes;
  AppMessageBox("Setup.ini文件不存在！");
  ASSERT_EQ(boxes.Boxes().size(), 1u);
  EXPECT_EQ(boxes.Boxes()[0].text, "Setup.ini\xCE\xC4\xBC\xFE\xB2\xBB\xB4\xE6\xD4\xDA\xA3\xA1");
  EXPECT_EQ(GetACP(), 936u);
}
