// The repair of interrupted screen recordings, on real recordings of a screen corner damaged the
// way a kill leaves them, and on files that are not interrupted recordings at all. Every result
// is read back with the recovery's own reader here; damaged_files.sh decodes the kept results
// with ffprobe and ffmpeg as well.
#include "recorder/codec/Msvc1Encoder.h"
#include "mainwnd/InterruptedLessons.h"
#include "recorder/recovery/AviCheck.h"
#include "recorder/recovery/FrameChunks.h"
#include "recorder/recovery/RecordingRepair.h"
#include "recorder/recovery/RecoveryRecord.h"
#include "tests/recovery/DamagedRecordings.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <cstring>

namespace {
constexpr int kFrames = 30;  // at positions 0, 4, ..., 116: 117 chunks, 30 of them pictures

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

class Repair : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(RecordCorner(avi, avi, "", kFrames));
    ASSERT_TRUE(Exists(record));
    ASSERT_TRUE(CheckAviFile(avi, &complete));
    ASSERT_TRUE(CopyFileA(avi.c_str(), reference.c_str(), FALSE));
    ASSERT_TRUE(ReadRecoveryRecord(record, fields)) << ReadFileBytes(record);
  }
  TempDir dir;
  std::string avi = dir / "screen.avi";
  std::string record = RecoveryRecordPath(avi);
  std::string reference = dir / "complete.avi";
  AviFacts complete;
  RecoveryRecord fields;
};

TEST_F(Repair, AFileCutOffByAKillGetsEveryChunkBackWithHeadersAndIndex) {
  EXPECT_EQ(complete.videoEntries, 117u);
  EXPECT_EQ(complete.videoEntries - complete.emptyFrames, unsigned(kFrames));
  ASSERT_TRUE(CutOffLikeAKill(avi, 0));
  ASSERT_FALSE(CheckAviFile(avi, nullptr));

  RepairReport report = RepairRecording(record);
  ASSERT_EQ(report.outcome, RepairOutcome::Repaired) << report.reason;
  AviFacts repaired;
  ASSERT_TRUE(CheckAviFile(avi, &repaired));
  EXPECT_EQ(repaired.videoEntries, complete.videoEntries);
  EXPECT_EQ(repaired.emptyFrames, complete.emptyFrames);
  EXPECT_EQ(repaired.keyFrames, complete.keyFrames);
  EXPECT_EQ(repaired.videoCompression, static_cast<uint32_t>(mmioFOURCC('M', 'S', 'V', 'C')));
  EXPECT_EQ(repaired.bitCount, 16u);
  EXPECT_EQ(repaired.rate, 200u);
  EXPECT_EQ(repaired.scale, 1u);
  EXPECT_EQ(repaired.streams, 1u);
  EXPECT_EQ(report.positions, 117u);
  EXPECT_EQ(report.frames, unsigned(kFrames));
  EXPECT_EQ(report.Seconds(), 1);  // 117 positions of 5 ms
  EXPECT_FALSE(Exists(record));
  EXPECT_FALSE(Exists(avi + ".repair"));
  // Run again: nothing left to do, the file stays.
  std::string once = ReadFileBytes(avi);
  EXPECT_EQ(RepairRecording(record).outcome, RepairOutcome::NotRepairable);
  EXPECT_EQ(ReadFileBytes(avi), once);
  EXPECT_FALSE(Exists(record));
  KeepForDecodeCheck(reference, "complete.avi", "");
  KeepForDecodeCheck(avi, "killed.avi", "complete.avi 0");
}

TEST_F(Repair, ATornLastChunkIsDroppedAndHeadersZeroedWithTheIndexLeftAreRebuilt) {
  std::string torn = dir / "torn.avi";
  ASSERT_TRUE(CopyFileA(avi.c_str(), torn.c_str(), FALSE));
  ASSERT_TRUE(CutOffLikeAKill(avi, 7));
  RepairReport report = RepairRecording(record);
  ASSERT_EQ(report.outcome, RepairOutcome::Repaired) << report.reason;
  // The last chunk is the 30th picture, at position 116.
  EXPECT_EQ(report.positions, 116u);
  EXPECT_EQ(report.frames, unsigned(kFrames - 1));
  KeepForDecodeCheck(avi, "torn.avi", "complete.avi 1");

  ASSERT_TRUE(CopyFileA(reference.c_str(), avi.c_str(), FALSE));
  ASSERT_TRUE(ZeroHeaders(avi));
  EXPECT_NE(fields.dataStart, 0u);
  fields.dataStart = 0;  // the place of the first chunk is searched for when unknown
  ASSERT_TRUE(WriteRecoveryRecord(record, fields));
  report = RepairRecording(record);
  ASSERT_EQ(report.outcome, RepairOutcome::Repaired) << report.reason;
  EXPECT_EQ(report.positions, complete.videoEntries);
  KeepForDecodeCheck(avi, "zeroed.avi", "complete.avi 0");
}

// Killed while the AVI library closed the file: the headers are there, the index is cut off.
TEST_F(Repair, APictureTornWithinItsWholeChunkBecomesAnEmptyPositionAndTheRestIsKept) {
  ASSERT_TRUE(TearPictureData(avi, 10, 64, 48));
  ASSERT_TRUE(CutOffLikeAKill(avi, 0));
  RepairReport report = RepairRecording(record);
  ASSERT_EQ(report.outcome, RepairOutcome::Repaired) << report.reason;
  EXPECT_EQ(report.positions, complete.videoEntries);
  EXPECT_EQ(report.frames, unsigned(kFrames - 1));
  KeepForDecodeCheck(avi, "torn-picture.avi", "complete.avi 1");
}

TEST_F(Repair, AFileWhoseIndexWasCutOffWhileClosingIsRebuilt) {
  std::string bytes = ReadFileBytes(avi);
  size_t index = bytes.rfind("idx1");
  ASSERT_NE(index, std::string::npos);
  ASSERT_TRUE(WriteFileBytes(avi, bytes.substr(0, index + 8 + 16 * 50 + 5)));
  ASSERT_FALSE(CheckAviFile(avi, nullptr));
  RepairReport report = RepairRecording(record);
  ASSERT_EQ(report.outcome, RepairOutcome::Repaired) << report.reason;
  EXPECT_EQ(report.positions, complete.videoEntries);
  KeepForDecodeCheck(avi, "index-cut.avi", "complete.avi 0");
}

TEST_F(Repair, ACompleteFileIsLeftExactlyAsItIsAndOnlyItsRecordGoes) {
  std::string before = ReadFileBytes(avi);
  RepairReport report = RepairRecording(record);
  EXPECT_EQ(report.outcome, RepairOutcome::AlreadyComplete);
  EXPECT_EQ(report.positions, complete.videoEntries);
  EXPECT_EQ(ReadFileBytes(avi), before);
  EXPECT_FALSE(Exists(record));
}

TEST_F(Repair, FilesThatHoldNoRecordingStayAsTheyWereAndAreTriedOnce) {
  std::string garbage(200000, '\0');
  for (size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<char>((i * 7919u) >> 3);
  ASSERT_TRUE(MakeUnclosedWav(dir / "tone.wav", 500));
  std::string tornFirst = std::string(4096, '\0') + "00dc" + std::string("\x40\x1f\x00\x00", 4) + "abc";
  const std::pair<const char*, std::string> cases[] = {
      {"empty", ""},
      {"garbage", garbage},
      {"foreign", ReadFileBytes(dir / "tone.wav")},
      {"torn first chunk", tornFirst},
      {"zeros", std::string(300000, '\0')},
  };
  for (const auto& [name, bytes] : cases) {
    SCOPED_TRACE(name);
    ASSERT_TRUE(WriteFileBytes(avi, bytes));
    ASSERT_TRUE(WriteRecoveryRecord(record, fields));
    RepairReport report = RepairRecording(record);
    EXPECT_EQ(report.outcome, RepairOutcome::NotRepairable);
    EXPECT_FALSE(report.reason.empty());
    EXPECT_EQ(ReadFileBytes(avi), bytes);
    EXPECT_FALSE(Exists(avi + ".repair"));
    EXPECT_TRUE(Exists(record));
    EXPECT_EQ(RepairRecording(record).outcome, RepairOutcome::AlreadyHandled);
    EXPECT_EQ(ReadFileBytes(avi), bytes);
  }
}

TEST_F(Repair, AFileStillBeingWrittenIsLeftForTheNextStart) {
  ASSERT_TRUE(CutOffLikeAKill(avi, 0));
  std::string before = ReadFileBytes(avi);
  HANDLE writer = CreateFileA(avi.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(writer, INVALID_HANDLE_VALUE);
  EXPECT_EQ(RepairRecording(record).outcome, RepairOutcome::Busy);
  CloseHandle(writer);
  EXPECT_EQ(ReadFileBytes(avi), before);
  RecoveryRecord fields;
  ASSERT_TRUE(ReadRecoveryRecord(record, fields));
  EXPECT_TRUE(fields.handled.empty());
  EXPECT_EQ(RepairRecording(record).outcome, RepairOutcome::Repaired);
}

// The recorder checks each part after its close, and a part can be 1 GiB: the check reads the
// headers and the index, and of the chunks only the first and the last. A close that did not get
// to its end fails it; a chunk damaged in the middle, which only a full read finds, does not.
TEST_F(Repair, TheCheckAfterTheCloseReadsTheIndexAndTheChunksAtItsEndsOnly) {
  AviFacts facts;
  ASSERT_TRUE(CheckAviFileEnds(avi, &facts));
  EXPECT_EQ(facts.videoEntries, complete.videoEntries);
  EXPECT_EQ(facts.keyFrames, complete.keyFrames);
  const std::string bytes = ReadFileBytes(avi);
  const size_t movi = bytes.find("movi"), index = bytes.rfind("idx1");
  ASSERT_NE(movi, std::string::npos);
  ASSERT_NE(index, std::string::npos);
  auto chunkOfEntry = [&](size_t entry) {
    uint32_t offset;
    memcpy(&offset, &bytes[index + 8 + 16 * entry + 8], 4);
    return movi + offset;
  };
  const size_t entries = complete.videoEntries;

  std::string middle = bytes;
  middle.replace(chunkOfEntry(entries / 2), 4, "JUNK");
  ASSERT_TRUE(WriteFileBytes(avi, middle));
  EXPECT_FALSE(CheckAviFile(avi, nullptr));
  EXPECT_TRUE(CheckAviFileEnds(avi, nullptr));

  std::string last = bytes;
  last.replace(chunkOfEntry(entries - 1), 4, "JUNK");
  ASSERT_TRUE(WriteFileBytes(avi, last));
  EXPECT_FALSE(CheckAviFileEnds(avi, nullptr));

  ASSERT_TRUE(WriteFileBytes(avi, bytes.substr(0, index + 8 + 16 * (entries / 2))));
  EXPECT_FALSE(CheckAviFileEnds(avi, nullptr));
}

// A player, the Explorer's preview or a virus scanner may hold screen.avi open, without sharing
// its deletion, when the repair puts its copy in place: the repair is tried again at the next
// start, never given up, and the file stays as it was.
TEST_F(Repair, AFileHeldOpenByAnotherProgramIsTriedAgainAtTheNextStart) {
  ASSERT_TRUE(CutOffLikeAKill(avi, 0));
  std::string before = ReadFileBytes(avi);
  HANDLE player = CreateFileA(avi.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(player, INVALID_HANDLE_VALUE);
  RepairReport report = RepairRecording(record);
  CloseHandle(player);
  EXPECT_EQ(report.outcome, RepairOutcome::TryAgain) << report.reason;
  EXPECT_EQ(ReadFileBytes(avi), before);
  EXPECT_FALSE(Exists(avi + ".repair"));
  RecoveryRecord fields;
  ASSERT_TRUE(ReadRecoveryRecord(record, fields));
  EXPECT_TRUE(fields.handled.empty()) << fields.handled;
  report = RepairRecording(record);
  EXPECT_EQ(report.outcome, RepairOutcome::Repaired) << report.reason;
}

// A recording with sound keeps its picture in ~temp.avi beside the final file and its sound in
// a WAV file until the merge at the stop; cut off before that, both are merged by the repair.
TEST(RepairWithSound, PictureAndReadableSoundBecomeTheFinalFileAndUnreadableSoundIsKept) {
  TempDir dir;
  std::string temp = dir / "~temp.avi", wav = dir / "~temp001.wav", final = dir / "screen.avi";
  ASSERT_TRUE(RecordCorner(temp, final, wav, kFrames));
  ASSERT_TRUE(CutOffLikeAKill(temp, 0));
  ASSERT_TRUE(MakeUnclosedWav(wav, 600));
  // A record written before parts had sound sections has no section keys: the whole file.
  WritePrivateProfileStringA("Recording", "SoundStart", nullptr, RecoveryRecordPath(temp).c_str());
  RepairReport report = RepairRecording(RecoveryRecordPath(temp));
  ASSERT_EQ(report.outcome, RepairOutcome::Repaired) << report.reason;
  AviFacts facts;
  ASSERT_TRUE(CheckAviFile(final, &facts));
  EXPECT_EQ(facts.streams, 2u);
  EXPECT_EQ(facts.videoEntries, 117u);
  EXPECT_EQ(facts.soundBytes, 22050u * 4 * 600 / 1000);
  EXPECT_FALSE(Exists(temp));
  EXPECT_FALSE(Exists(wav));
  EXPECT_FALSE(Exists(RecoveryRecordPath(temp)));
  KeepForDecodeCheck(final, "with-sound.avi", "complete.avi 0 sound");

  ASSERT_TRUE(DeleteFileA(final.c_str()));
  ASSERT_TRUE(RecordCorner(temp, final, wav, kFrames));
  ASSERT_TRUE(CutOffLikeAKill(temp, 0));
  ASSERT_TRUE(WriteFileBytes(wav, "RIFF\0\0\0\0WAVEjunk"));
  report = RepairRecording(RecoveryRecordPath(temp));
  ASSERT_EQ(report.outcome, RepairOutcome::Repaired) << report.reason;
  ASSERT_TRUE(CheckAviFile(final, &facts));
  EXPECT_EQ(facts.streams, 1u);
  EXPECT_TRUE(Exists(wav));
}

// A run whose picture rolled over: each part's record names the run's WAV file and where in the
// run the part begins (and, when another part followed, where it ends). Each part gets its own
// section; the WAV goes with the last part repaired, in whichever order the records come.
TEST(RepairWithSound, EveryPartOfARunGetsItsSectionOfTheRunsSound) {
  TempDir dir;
  std::string wav = dir / "~temp001.wav";
  std::string temp1 = dir / "~temp.avi", final1 = dir / "screen.avi";
  std::string temp2 = dir / "~temp-2.avi", final2 = dir / "screen-2.avi";
  // The first part covers the run's first 2 s (positions 0 to 399); the second begins at 2 s and was cut off.
  ASSERT_TRUE(RecordCorner(temp1, final1, wav, 100, 0));
  ASSERT_TRUE(WriteRecoverySoundEnd(RecoveryRecordPath(temp1), 400));
  ASSERT_TRUE(RecordCorner(temp2, final2, wav, kFrames, 400));
  ASSERT_TRUE(CutOffLikeAKill(temp2, 0));
  ASSERT_TRUE(MakeUnclosedWav(wav, 3000));

  RepairReport report = RepairRecording(RecoveryRecordPath(temp2));
  ASSERT_EQ(report.outcome, RepairOutcome::Repaired) << report.reason;
  AviFacts facts;
  ASSERT_TRUE(CheckAviFile(final2, &facts));
  EXPECT_EQ(facts.streams, 2u);
  EXPECT_EQ(facts.soundBytes, 88200u);  // the last second
  // The first part still needs the run's sound.
  EXPECT_TRUE(Exists(wav));

  report = RepairRecording(RecoveryRecordPath(temp1));
  ASSERT_EQ(report.outcome, RepairOutcome::Repaired) << report.reason;
  ASSERT_TRUE(CheckAviFile(final1, &facts));
  EXPECT_EQ(facts.streams, 2u);
  EXPECT_EQ(facts.soundBytes, 2u * 88200u);  // the first two seconds
  EXPECT_FALSE(Exists(wav));
  EXPECT_FALSE(Exists(temp1));
  EXPECT_FALSE(Exists(temp2));

  // A section that lies beyond the sound that reached the disk leaves the part picture-only.
  std::string temp3 = dir / "~temp-3.avi", final3 = dir / "screen-3.avi";
  ASSERT_TRUE(RecordCorner(temp3, final3, wav, kFrames, 800));
  ASSERT_TRUE(CutOffLikeAKill(temp3, 0));
  ASSERT_TRUE(MakeUnclosedWav(wav, 3000));
  report = RepairRecording(RecoveryRecordPath(temp3));
  ASSERT_EQ(report.outcome, RepairOutcome::Repaired) << report.reason;
  ASSERT_TRUE(CheckAviFile(final3, &facts));
  EXPECT_EQ(facts.streams, 1u);
  EXPECT_TRUE(Exists(wav));
}

TEST(Msvc1Frames, AFrameIsKeyWithoutASkipWholeWithOneAndTornWhenItsDataEndsEarly) {
  const int width = 37, height = 21;  // blocks past the picture's edge count too
  Msvc1Encoder encoder(width, height, 8000);
  std::vector<uint8_t> pixels(size_t((width * 2 + 3) & ~3) * height);
  for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint8_t>(i * 31);
  std::vector<uint8_t> out(encoder.MaxFrameBytes());
  bool key = false;
  size_t size = encoder.Encode(pixels.data(), out.data(), false, &key);
  ASSERT_TRUE(key);
  EXPECT_TRUE(Msvc1IsKeyFrame(out.data(), size, width, height));
  EXPECT_FALSE(Msvc1IsKeyFrame(out.data(), size - 3, width, height));
  EXPECT_FALSE(Msvc1IsKeyFrame(out.data(), 0, width, height));
  EXPECT_EQ(ReadMsvc1Frame(out.data(), size - 3, width, height), Msvc1Frame::Torn);
  size = encoder.Encode(pixels.data(), out.data(), false, &key);  // unchanged: all skipped
  ASSERT_FALSE(key);
  EXPECT_FALSE(Msvc1IsKeyFrame(out.data(), size, width, height));
  EXPECT_EQ(ReadMsvc1Frame(out.data(), size, width, height), Msvc1Frame::Whole);
  // A skip over the first block, then the data ends: torn.
  const uint8_t skipOne[] = {0x01, 0x84};
  EXPECT_EQ(ReadMsvc1Frame(skipOne, sizeof(skipOne), width, height), Msvc1Frame::Torn);
}

TEST(InterruptedLessons, ALessonCutOffGetsItsFileAndLengthOnceAndAStoppedOneKeepsItsLength) {
  TempDir save;
  auto makeLesson = [&](const std::string& name) {
    std::string html = save / name + "\\html";
    CreateDirectoryA((save / name).c_str(), nullptr);
    CreateDirectoryA(html.c_str(), nullptr);
    WriteFileBytes(save / name + "\\index.htm", "<html></html>");
    return html;
  };
  std::string cut = makeLesson("20240301080000"), stopped = makeLesson("20240301090000");
  // 1000 pictures every 4 positions: 3997 positions of 5 ms, 20 s.
  ASSERT_TRUE(RecordCorner(cut + "\\screen.avi", cut + "\\screen.avi", "", 1000));
  ASSERT_TRUE(CutOffLikeAKill(cut + "\\screen.avi", 0));
  ASSERT_TRUE(RecordCorner(stopped + "\\screen.avi", stopped + "\\screen.avi", "", 3));
  ASSERT_TRUE(CutOffLikeAKill(stopped + "\\screen.avi", 0));
  WritePrivateProfileStringA("TimeInfo", "time", "00:00:09", (stopped + "\\time.ini").c_str());

  std::vector<RecoveredLesson> results = RecoverInterruptedLessons(save.Path());
  ASSERT_EQ(results.size(), 2u);
  for (const RecoveredLesson& lesson : results) {
    EXPECT_EQ(lesson.report.outcome, RepairOutcome::Repaired) << lesson.folderName;
    EXPECT_EQ(lesson.durationWritten, lesson.folderName == "20240301080000");
  }
  char value[80] = {};
  GetPrivateProfileStringA("TimeInfo", "time", "", value, sizeof(value), (cut + "\\time.ini").c_str());
  EXPECT_STREQ(value, "00:00:20");
  GetPrivateProfileStringA("TimeInfo", "time", "", value, sizeof(value), (stopped + "\\time.ini").c_str());
  EXPECT_STREQ(value, "00:00:09");
  EXPECT_TRUE(CheckAviFile(cut + "\\screen.avi", nullptr));
  EXPECT_TRUE(RecoverInterruptedLessons(save.Path()).empty());
}
TEST(InterruptedLessons, AWholeRecordingWhoseLengthTheFullDiskKeptOutGetsItOnce) {
  TempDir save;
  std::string whole = save / "20240303080000", empty = save / "20240303090000";
  for (const std::string& lesson : {whole, empty}) {
    CreateDirectoryA(lesson.c_str(), nullptr);
    CreateDirectoryA((lesson + "\\html").c_str(), nullptr);
    WriteFileBytes(lesson + "\\index.htm", "<html></html>");
    WriteFileBytes(lesson + "\\html\\time.ini", "");  // what a stop on a full disk leaves
  }
  std::string screen = whole + "\\html\\screen.avi";
  ASSERT_TRUE(RecordCorner(screen, screen, "", 500));  // 10 s, finished cleanly
  DeleteRecoveryRecord(RecoveryRecordPath(screen));
  WriteFileBytes(empty + "\\html\\screen.avi", std::string(4096, '\0'));  // nothing whole

  std::vector<RecoveredLesson> results = RecoverInterruptedLessons(save.Path());
  ASSERT_EQ(results.size(), 1u);
  EXPECT_EQ(results[0].folderName, "20240303080000");
  EXPECT_TRUE(results[0].durationWritten);
  char value[80] = {};
  GetPrivateProfileStringA("TimeInfo", "time", "", value, sizeof(value), (whole + "\\html\\time.ini").c_str());
  EXPECT_STREQ(value, "00:00:10");
  GetPrivateProfileStringA("TimeInfo", "time", "", value, sizeof(value), (empty + "\\html\\time.ini").c_str());
  EXPECT_STREQ(value, "");
  EXPECT_TRUE(RecoverInterruptedLessons(save.Path()).empty());
}

TEST(InterruptedLessons, ALongRecordingCutOffInItsThirdPartIsRepairedListedAndTimedWhole) {
  TempDir save;
  std::string lesson = save / "20240302080000";
  std::string html = lesson + "\\html";
  CreateDirectoryA(lesson.c_str(), nullptr);
  CreateDirectoryA(html.c_str(), nullptr);
  WriteFileBytes(lesson + "\\index.htm", "<html></html>");
  // Two parts finished whole (their records gone, as after a rollover) of 10 s each, then a
  // third of 5 s cut off by a kill.
  for (const char* name : {"screen.avi", "screen-2.avi"}) {
    std::string part = html + "\\" + name;
    ASSERT_TRUE(RecordCorner(part, part, "", 500));
    DeleteRecoveryRecord(RecoveryRecordPath(part));
  }
  std::string third = html + "\\screen-3.avi";
  ASSERT_TRUE(RecordCorner(third, third, "", 250));
  ASSERT_TRUE(CutOffLikeAKill(third, 0));

  std::vector<RecoveredLesson> results = RecoverInterruptedLessons(save.Path());
  ASSERT_EQ(results.size(), 1u);
  EXPECT_EQ(results[0].report.outcome, RepairOutcome::Repaired);
  EXPECT_TRUE(results[0].durationWritten);
  EXPECT_TRUE(CheckAviFile(third, nullptr));
  char value[80] = {};
  GetPrivateProfileStringA("TimeInfo", "time", "", value, sizeof(value), (html + "\\time.ini").c_str());
  EXPECT_STREQ(value, "00:00:25");
  EXPECT_EQ(ReadFileBytes(html + "\\screen.js"),
            "var screenParts = [\"html/screen.avi\", \"html/screen-2.avi\", \"html/screen-3.avi\"];\r\n");
}
}  // namespace
