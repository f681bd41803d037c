#include "tools/compress/Archiver.h"
#include "tools/compress/ExistingArchive.h"
#include "tools/compress/ZipFormat.h"

#include "framework/Handles.h"
#include "framework/Text.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <map>
#include <random>
#include <set>

namespace {
const wchar_t kPassword[] = L"课程 \"pass\" \\";

std::string RandomBytes(size_t size, unsigned seed) {
  std::mt19937 generator(seed);
  std::string bytes(size, '\0');
  for (char& c : bytes) c = static_cast<char>(generator());
  return bytes;
}

std::string TextBytes(size_t size) {
  std::string text;
  while (text.size() < size) text += "frame " + std::to_string(text.size() % 977) + " of the screen\r\n";
  text.resize(size);
  return text;
}

// A small lesson: a course page, an incompressible camera file, a compressible screen file,
// Chinese names and an empty folder.
struct Lesson {
  TempDir dir;
  std::string source = dir / "20240301080000";
  Lesson() {
    CreateDirectoryA(source.c_str(), nullptr);
    CreateDirectoryA((source + "\\html").c_str(), nullptr);
    CreateDirectoryA((source + "\\html\\空文件夹").c_str(), nullptr);
    WriteFileBytes(source + "\\index.htm", "<html></html>");
    WriteFileBytes(source + "\\html\\video.wmv", RandomBytes(1500000, 1));
    WriteFileBytes(source + "\\html\\screen.avi", TextBytes(2500000));
    WriteFileBytes(source + "\\html\\课程.txt", "主题");
  }
  AddRequest Request(const std::string& archive) const {
    return AddRequest{AnsiToWide(archive), AnsiToWide(source), kPassword};
  }
};

// The archive's entries by name (UTF-8 names turned into the ANSI code page for comparison
// with the test's paths).
std::map<std::string, zip::CentralRecord> EntriesOf(const std::string& archive) {
  ExistingArchive reader;
  std::wstring problem;
  std::map<std::string, zip::CentralRecord> entries;
  EXPECT_TRUE(reader.Open(AnsiToWide(archive), problem)) << WideToAnsi(problem);
  for (const zip::CentralRecord& record : reader.Records()) {
    int count = MultiByteToWideChar(CP_UTF8, 0, record.name.data(), static_cast<int>(record.name.size()),
                                    nullptr, 0);
    std::wstring wide(static_cast<size_t>(count), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, record.name.data(), static_cast<int>(record.name.size()), &wide[0], count);
    EXPECT_EQ(entries.count(WideToAnsi(wide)), 0u) << "duplicate entry " << WideToAnsi(wide);
    entries[WideToAnsi(wide)] = record;
  }
  return entries;
}

// The compression method inside the AES extra field.
int RealMethod(const zip::CentralRecord& record) {
  const std::string& extra = record.extra;
  for (size_t i = 0; i + 4 <= extra.size(); i += 4 + zip::Get16(&extra[i + 2]))
    if (zip::Get16(&extra[i]) == zip::kExtraAes && zip::Get16(&extra[i + 2]) == 7)
      return zip::Get16(&extra[i + 9]);
  return -1;
}

std::vector<std::string> FilesIn(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA data;
  FindHandle find(FindFirstFileA((folder + "\\*").c_str(), &data));
  if (find.Valid()) {
    do {
      if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(data.cFileName);
    } while (FindNextFileA(find.Get(), &data));
  }
  return names;
}
}  // namespace

TEST(Archiver, PacksEveryFileAndFolderAsEncryptedUtf8Entries) {
  Lesson lesson;
  std::string archive = lesson.dir / "out.zip";
  ArchiveReport report = AddToArchive(lesson.Request(archive));
  ASSERT_EQ(report.exitCode, kExitSuccess) << WideToAnsi(report.fatal);

  auto entries = EntriesOf(archive);
  std::set<std::string> names;
  for (const auto& entry : entries) names.insert(entry.first);
  EXPECT_EQ(names, (std::set<std::string>{"html/", "html/screen.avi", "html/video.wmv",
                                          "html/空文件夹/", "html/课程.txt", "index.htm"}));
  EXPECT_EQ(report.entriesWritten, entries.size());
  for (const auto& [name, record] : entries) {
    EXPECT_TRUE(record.flags & zip::kFlagUtf8) << name;
    if (name.back() == '/') {
      EXPECT_EQ(record.method, zip::kMethodStored) << name;
      EXPECT_EQ(record.compressedSize, 0u) << name;
      EXPECT_TRUE(record.externalAttributes & FILE_ATTRIBUTE_DIRECTORY) << name;
      continue;
    }
    EXPECT_EQ(record.method, zip::kMethodAes) << name;
    EXPECT_TRUE(record.flags & zip::kFlagEncrypted) << name;
    EXPECT_EQ(record.versionNeeded, zip::kVersionAes) << name;
    EXPECT_EQ(record.crc, 0u) << name;  // AE-2
  }
  // The camera file does not shrink and is stored; the screen file is deflated.
  EXPECT_EQ(RealMethod(entries["html/video.wmv"]), zip::kMethodStored);
  EXPECT_EQ(entries["html/video.wmv"].compressedSize, 1500000u + 28);
  EXPECT_EQ(RealMethod(entries["html/screen.avi"]), zip::kMethodDeflated);
  EXPECT_LT(entries["html/screen.avi"].compressedSize, 2500000u / 4);
  EXPECT_EQ(entries["html/screen.avi"].uncompressedSize, 2500000u);
}

TEST(Archiver, ArchiveInsideTheSourceFolderDoesNotPackItselfAndLeavesNoTemporary) {
  Lesson lesson;
  std::string archive = lesson.source + "\\lesson.zip";
  ASSERT_EQ(AddToArchive(lesson.Request(archive)).exitCode, kExitSuccess);
  ASSERT_EQ(AddToArchive(lesson.Request(archive)).exitCode, kExitSuccess);
  auto entries = EntriesOf(archive);
  EXPECT_EQ(entries.count("lesson.zip"), 0u);
  EXPECT_EQ(entries.size(), 6u);
  EXPECT_EQ(FilesIn(lesson.source), (std::vector<std::string>{"index.htm", "lesson.zip"}));
}

TEST(Archiver, AddingReplacesEntriesOfTheSameNameAndKeepsTheOthers) {
  Lesson lesson;
  std::string archive = lesson.dir / "out.zip";
  ASSERT_EQ(AddToArchive(lesson.Request(archive)).exitCode, kExitSuccess);
  uint64_t oldIndexSize = EntriesOf(archive)["index.htm"].uncompressedSize;

  // A second lesson state: one file changed, one removed from disk, one new.
  ASSERT_TRUE(WriteFileBytes(lesson.source + "\\index.htm", "<html>changed, and longer</html>"));
  ASSERT_TRUE(DeleteFileA((lesson.source + "\\html\\课程.txt").c_str()));
  ASSERT_TRUE(WriteFileBytes(lesson.source + "\\html\\time.ini", "[TimeInfo]\r\ntime=00:10:00\r\n"));
  ASSERT_EQ(AddToArchive(lesson.Request(archive)).exitCode, kExitSuccess);

  auto entries = EntriesOf(archive);
  EXPECT_EQ(entries.size(), 7u);
  EXPECT_NE(entries["index.htm"].uncompressedSize, oldIndexSize);
  EXPECT_EQ(entries["index.htm"].uncompressedSize, 32u);
  EXPECT_EQ(entries.count("html/课程.txt"), 1u);
  EXPECT_EQ(entries.count("html/time.ini"), 1u);
}

TEST(Archiver, UnreadableFileIsAWarningAndEverythingElseIsPacked) {
  Lesson lesson;
  std::string archive = lesson.dir / "out.zip";
  std::string locked = lesson.source + "\\html\\video.wmv";
  {
    // Held open without sharing, as a running recorder would hold it.
    UniqueHandle holder(CreateFileA(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(holder.Valid());
    ArchiveReport report = AddToArchive(lesson.Request(archive));
    EXPECT_EQ(report.exitCode, kExitWarnings);
    ASSERT_EQ(report.warnings.size(), 1u);
    EXPECT_NE(WideToAnsi(report.warnings[0]).find("video.wmv"), std::string::npos);
  }
  auto entries = EntriesOf(archive);
  EXPECT_EQ(entries.count("html/video.wmv"), 0u);
  EXPECT_EQ(entries.size(), 5u);
  EXPECT_EQ(entries["html/screen.avi"].uncompressedSize, 2500000u);
}

TEST(Archiver, UnreadableFileKeepsItsEarlierVersionWhenAdding) {
  Lesson lesson;
  std::string archive = lesson.dir / "out.zip";
  ASSERT_EQ(AddToArchive(lesson.Request(archive)).exitCode, kExitSuccess);
  std::string locked = lesson.source + "\\html\\video.wmv";
  UniqueHandle holder(CreateFileA(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(holder.Valid());
  EXPECT_EQ(AddToArchive(lesson.Request(archive)).exitCode, kExitWarnings);
  auto entries = EntriesOf(archive);
  EXPECT_EQ(entries.size(), 6u);
  EXPECT_EQ(entries["html/video.wmv"].uncompressedSize, 1500000u);
}

TEST(Archiver, FatalErrorsLeaveTheTargetAsItWas) {
  Lesson lesson;
  std::string archive = lesson.dir / "notes.zip";
  const std::string notAZip = "these are a teacher's notes, not a zip archive";
  ASSERT_TRUE(WriteFileBytes(archive, notAZip));
  ArchiveReport report = AddToArchive(lesson.Request(archive));
  EXPECT_EQ(report.exitCode, kExitFatal);
  EXPECT_NE(WideToAnsi(report.fatal).find("not a zip archive"), std::string::npos);
  EXPECT_EQ(ReadFileBytes(archive), notAZip);

  // A good archive survives a run whose source has gone.
  std::string good = lesson.dir / "good.zip";
  ASSERT_EQ(AddToArchive(lesson.Request(good)).exitCode, kExitSuccess);
  std::string before = ReadFileBytes(good);
  AddRequest missing = lesson.Request(good);
  missing.sourceFolder += L"-gone";
  report = AddToArchive(missing);
  EXPECT_EQ(report.exitCode, kExitFatal);
  EXPECT_NE(WideToAnsi(report.fatal).find("does not exist"), std::string::npos);
  EXPECT_EQ(ReadFileBytes(good), before);

  // A folder in the way of the archive.
  std::string folder = lesson.dir / "taken.zip";
  CreateDirectoryA(folder.c_str(), nullptr);
  EXPECT_EQ(AddToArchive(lesson.Request(folder)).exitCode, kExitFatal);
  EXPECT_EQ(FilesIn(lesson.dir.Path()), (std::vector<std::string>{"good.zip", "notes.zip"}));
}

TEST(Archiver, ForcedZip64RecordsAreReadBackAndAddedTo) {
  Lesson lesson;
  std::string archive = lesson.dir / "big.zip";
  ArchiveOptions zip64;
  zip64.forceZip64 = true;
  ASSERT_EQ(AddToArchive(lesson.Request(archive), zip64).exitCode, kExitSuccess);
  std::string bytes = ReadFileBytes(archive);
  EXPECT_NE(bytes.find(std::string("PK\x06\x06", 4)), std::string::npos);
  EXPECT_NE(bytes.find(std::string("PK\x06\x07", 4)), std::string::npos);
  // The 32-bit fields of the end record all point at the Zip64 record.
  std::string end = bytes.substr(bytes.size() - zip::kEndSize);
  EXPECT_EQ(zip::Get16(&end[10]), 0xFFFFu);
  EXPECT_EQ(zip::Get32(&end[16]), 0xFFFFFFFFu);

  auto entries = EntriesOf(archive);
  ASSERT_EQ(entries.size(), 6u);
  EXPECT_EQ(entries["html/screen.avi"].uncompressedSize, 2500000u);
  EXPECT_EQ(entries["html/video.wmv"].compressedSize, 1500000u + 28);
  // Every offset read from the Zip64 fields leads to a local header.
  for (const auto& entry : entries)
    EXPECT_EQ(zip::Get32(&bytes[entry.second.localHeaderOffset]), zip::kLocalHeaderSignature) << entry.first;

  // Adding to it without forcing copies the entries and rewrites their offsets.
  ASSERT_TRUE(WriteFileBytes(lesson.source + "\\added.txt", "new"));
  ASSERT_TRUE(DeleteFileA((lesson.source + "\\index.htm").c_str()));
  ASSERT_EQ(AddToArchive(lesson.Request(archive)).exitCode, kExitSuccess);
  bytes = ReadFileBytes(archive);
  entries = EntriesOf(archive);
  EXPECT_EQ(entries.size(), 7u);
  for (const auto& entry : entries)
    EXPECT_EQ(zip::Get32(&bytes[entry.second.localHeaderOffset]), zip::kLocalHeaderSignature) << entry.first;
}

TEST(Archiver, EmptySourceFolderGivesAnEmptyArchive) {
  TempDir dir;
  CreateDirectoryA((dir / "empty").c_str(), nullptr);
  AddRequest request{AnsiToWide(dir / "e.zip"), AnsiToWide(dir / "empty"), L"pw"};
  ASSERT_EQ(AddToArchive(request).exitCode, kExitSuccess);
  EXPECT_TRUE(EntriesOf(dir / "e.zip").empty());
}
