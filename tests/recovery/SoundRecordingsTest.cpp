// Recordings with sound that the finish could not complete: the sound a part still needs stays
// for its repair, and a later recording never takes the sound file of one that waits for it.
#include "recorder/FinishRecording.h"
#include "recorder/RecorderState.h"
#include "recorder/TempPaths.h"
#include "recorder/recovery/AviCheck.h"
#include "recorder/recovery/RecordingRepair.h"
#include "recorder/recovery/RecoveryRecord.h"
#include "tests/recorder/RecordingFiles.h"
#include "tests/recovery/DamagedRecordings.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <cstring>

namespace {
constexpr int kFrames = 30;
constexpr uint64_t kBytesPerSecond = 22050 * 4;

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void ListPart(const std::string& video, const std::string& final, const std::string& sound,
              uint32_t soundStart, uint32_t soundEnd) {
  RecordedPart part;
  part.videoPath = video;
  part.finalPath = final;
  part.soundPath = sound;
  part.soundStart = soundStart;
  part.soundEnd = soundEnd;
  Recorder().recordedParts.push_back(part);
}

class SoundRecordings : public ::testing::Test {
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
  TempDir windows;
  TempDir lessons;
};
}  // namespace

// The finish merges each part with its section of the run's sound. A part whose final file is
// held open is not merged: its picture and record stay, and so must the run's sound it names.
TEST_F(SoundRecordings, APartLeftUnmergedKeepsTheRunsSoundForItsRepair) {
  std::string wav = windows / "temp\\~temp001.wav";
  std::string temp1 = lessons / "~temp.avi", final1 = lessons / "screen.avi";
  std::string temp2 = lessons / "~temp-2.avi", final2 = lessons / "screen-2.avi";
  // Part 1 covers the run's first 2 s (positions 0 to 399), part 2 begins at 2 s.
  ASSERT_TRUE(RecordCorner(temp1, final1, wav, 100, 0));
  ASSERT_TRUE(WriteRecoverySoundEnd(RecoveryRecordPath(temp1), 400));
  ASSERT_TRUE(RecordCorner(temp2, final2, wav, kFrames, 400));
  ASSERT_TRUE(WriteToneWav(wav, 3000));
  Recorder().audioMode = AudioMicrophone;
  strcpy(Recorder().outputPath, final1.c_str());
  ListPart(temp1, final1, wav, 0, 400);
  ListPart(temp2, final2, wav, 400, kSoundToEnd);

  // A player holds part 2's final file through the whole finish.
  ASSERT_TRUE(WriteFileBytes(final2, "held"));
  HANDLE held = CreateFileA(final2.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  FinishRecording();
  CloseHandle(held);

  AviFacts facts;
  ASSERT_TRUE(CheckAviFile(final1, &facts));
  EXPECT_EQ(facts.soundBytes, 2 * kBytesPerSecond);
  EXPECT_TRUE(Exists(temp2));
  EXPECT_TRUE(Exists(RecoveryRecordPath(temp2)));
  EXPECT_TRUE(Exists(wav)) << "the run's sound went although part 2 still needs it";
  EXPECT_FALSE(Exists(temp2 + ".wav")) << "the unmerged part's section was left behind";

  RepairReport report = RepairRecording(RecoveryRecordPath(temp2));
  ASSERT_EQ(report.outcome, RepairOutcome::Repaired) << report.reason;
  ASSERT_TRUE(CheckAviFile(final2, &facts));
  EXPECT_EQ(facts.streams, 2u);
  EXPECT_EQ(facts.soundBytes, kBytesPerSecond);  // the run's last second
  EXPECT_FALSE(Exists(wav));
  EXPECT_FALSE(Exists(temp2));
}

// Recording A is cut off with its sound in the temp folder's ~temp001.wav, waiting for its
// repair; recording B with sound follows before that repair. A must get its own sound back.
TEST_F(SoundRecordings, ALaterRecordingNeverTakesTheSoundFileOfOneWaitingForItsRepair) {
  CreateDirectoryA((lessons / "a").c_str(), nullptr);
  CreateDirectoryA((lessons / "b").c_str(), nullptr);
  std::string tempA = lessons / "a\\~temp.avi", finalA = lessons / "a\\screen.avi";
  Recorder().audioMode = AudioMicrophone;
  strcpy(Recorder().outputPath, finalA.c_str());
  ASSERT_TRUE(ChooseTempSoundPath());
  const std::string soundA = Recorder().tempSoundPath;
  EXPECT_EQ(soundA, windows / "temp\\~temp001.wav");
  ASSERT_TRUE(RecordCorner(tempA, finalA, soundA, kFrames));
  ASSERT_TRUE(CutOffLikeAKill(tempA, 0));
  ASSERT_TRUE(MakeUnclosedWav(soundA, 600));

  // B is another recording of the same process (its first run again).
  ResetRecorderState();
  Recorder().audioMode = AudioMicrophone;
  strcpy(Recorder().outputPath, (lessons / "b\\screen.avi").c_str());
  ASSERT_TRUE(ChooseTempSoundPath());
  const std::string soundB = Recorder().tempSoundPath;
  EXPECT_NE(lstrcmpiA(soundB.c_str(), soundA.c_str()), 0);
  ASSERT_TRUE(MakeUnclosedWav(soundB, 900));

  RepairReport report = RepairRecording(RecoveryRecordPath(tempA));
  ASSERT_EQ(report.outcome, RepairOutcome::Repaired) << report.reason;
  AviFacts facts;
  ASSERT_TRUE(CheckAviFile(finalA, &facts));
  EXPECT_EQ(facts.streams, 2u);
  EXPECT_EQ(facts.soundBytes, kBytesPerSecond * 600 / 1000);
  EXPECT_TRUE(Exists(soundB));
}
