// The end of a recording with sound: the merge with its result codes, and what each result
// keeps, copies and deletes.
#include "recorder/FinishRecording.h"
#include "recorder/MergedAvi.h"
#include "recorder/RecorderState.h"
#include "recorder/recovery/AviCheck.h"
#include "tests/recorder/RecordingFiles.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>
#include <vfw.h>
#include <cstring>

namespace {
bool Exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

const InterleaveSettings kPrepared = {1, 100, 0};

// The length the sound stream's header gives, read through AVIFIL32; -1 without sound.
long HeaderSoundSamples(const std::string& path) {
  AVIFileInit();
  long samples = -1;
  PAVISTREAM stream = nullptr;
  if (AVIStreamOpenFromFileA(&stream, path.c_str(), streamtypeAUDIO, 0, OF_READ, nullptr) == 0) {
    AVISTREAMINFOA info = {};
    AVIStreamInfoA(stream, &info, sizeof(info));
    samples = static_cast<long>(info.dwLength);
    AVIStreamRelease(stream);
  }
  AVIFileExit();
  return samples;
}

bool IndexInFileOrder(const std::string& path) {
  std::string bytes = ReadFileBytes(path);
  size_t index = bytes.rfind("idx1");
  if (index == std::string::npos) return false;
  uint32_t size, last = 0;
  memcpy(&size, &bytes[index + 4], 4);
  for (size_t at = index + 8; at + 16 <= index + 8 + size; at += 16) {
    uint32_t offset;
    memcpy(&offset, &bytes[at + 8], 4);
    if (offset < last) return false;
    last = offset;
  }
  return size > 0;
}

// Lists a recorded part for FinishRecording, as the capture does when the part is done.
void ListPart(const std::string& video, const std::string& final, const std::string& sound, int run = 1,
              uint32_t soundStart = 0, uint32_t soundEnd = kSoundToEnd) {
  RecordedPart part;
  part.videoPath = video;
  part.finalPath = final;
  part.run = run;
  part.soundPath = sound;
  part.soundStart = soundStart;
  part.soundEnd = soundEnd;
  Recorder().recordedParts.push_back(part);
}

class Outcome : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(WriteFileBytes(video, "video bytes"));
    ASSERT_TRUE(WriteFileBytes(sound, "sound bytes"));
  }
  TempDir dir;
  std::string video = dir / "~temp.avi";
  std::string sound = dir / "~temp001.wav";
  std::string final = dir / "screen.avi";
};
}  // namespace

TEST(Interleave, SpacingIsInStreamPositions) {
  EXPECT_EQ(InterleaveSpacing(kPrepared), 20);
  EXPECT_EQ(InterleaveSpacing({1, 100, 1}), 100);
  EXPECT_EQ(InterleaveSpacing({1, 1, 0}), 1);
  EXPECT_EQ(InterleaveSpacing({0, 0, 0}), 1);
}

TEST_F(Outcome, SavedOrNoPictureDeletesBothTemporaryFiles) {
  for (MergeResult result : {MergeSaved, MergeNoVideo, MergeNotVideo}) {
    SetUp();
    ApplyMergeOutcome(result, video, sound, final);
    EXPECT_FALSE(Exists(video)) << result;
    EXPECT_FALSE(Exists(sound)) << result;
    EXPECT_FALSE(Exists(final)) << result;
  }
}

TEST_F(Outcome, NoSoundKeepsThePictureAsTheFinalFile) {
  for (MergeResult result : {MergeNoSound, MergeNotAudio}) {
    SetUp();
    ApplyMergeOutcome(result, video, sound, final);
    EXPECT_EQ(ReadFileBytes(final), "video bytes") << result;
    EXPECT_FALSE(Exists(video));
    EXPECT_FALSE(Exists(sound));
    DeleteFileA(final.c_str());
  }
}

TEST_F(Outcome, NoSoundAndNoCopyLeavesBothInPlace) {
  std::string unreachable = dir / "missing\\screen.avi";
  ApplyMergeOutcome(MergeNoSound, video, sound, unreachable);
  EXPECT_TRUE(Exists(video));
  EXPECT_TRUE(Exists(sound));
}

TEST_F(Outcome, FailedSaveKeepsPictureAndSoundBesideIt) {
  ApplyMergeOutcome(MergeSaveFailed, video, sound, final);
  EXPECT_EQ(ReadFileBytes(final), "video bytes");
  EXPECT_EQ(ReadFileBytes(final + ".wav"), "sound bytes");
  EXPECT_FALSE(Exists(video));
  EXPECT_FALSE(Exists(sound));
}

TEST_F(Outcome, FailedSaveWithoutCopyLeavesBothInPlace) {
  ApplyMergeOutcome(MergeSaveFailed, video, sound, dir / "missing\\screen.avi");
  EXPECT_TRUE(Exists(video));
  EXPECT_TRUE(Exists(sound));
}

TEST(Merge, PictureAndSoundBecomeOneInterleavedFile) {
  TempDir dir;
  ASSERT_TRUE(WriteSmallScreenAvi(dir / "~temp.avi", 20));
  ASSERT_TRUE(WriteToneWav(dir / "~temp001.wav", 400));
  EXPECT_EQ(StreamTypes(dir / "~temp.avi"), "vids");
  EXPECT_EQ(MergeAudioVideo(dir / "~temp.avi", dir / "~temp001.wav", dir / "screen.avi", kPrepared),
            MergeSaved);
  EXPECT_EQ(StreamTypes(dir / "screen.avi"), "vids,auds");
  // The sound's header gives its length in samples, and the index is in file order (the save's
  // own is neither under Wine).
  EXPECT_EQ(HeaderSoundSamples(dir / "screen.avi"), 22050 * 400 / 1000);
  EXPECT_TRUE(IndexInFileOrder(dir / "screen.avi"));
}

TEST(Merge, UnreadableSoundGivesResult2) {
  TempDir dir;
  ASSERT_TRUE(WriteSmallScreenAvi(dir / "~temp.avi", 5));
  ASSERT_TRUE(WriteFileBytes(dir / "~temp001.wav", "not a sound"));
  EXPECT_EQ(MergeAudioVideo(dir / "~temp.avi", dir / "~temp001.wav", dir / "screen.avi", kPrepared),
            MergeNoSound);
  EXPECT_EQ(MergeAudioVideo(dir / "~temp.avi", dir / "none.wav", dir / "screen.avi", kPrepared),
            MergeNoSound);
  EXPECT_FALSE(Exists(dir / "screen.avi"));
}

TEST(Merge, MissingPictureGivesResult1) {
  TempDir dir;
  ASSERT_TRUE(WriteToneWav(dir / "~temp001.wav", 100));
  EXPECT_EQ(MergeAudioVideo(dir / "none.avi", dir / "~temp001.wav", dir / "screen.avi", kPrepared),
            MergeNoVideo);
}

TEST(Merge, AnUnwritableFinalFileGivesResult5) {
  TempDir dir;
  ASSERT_TRUE(WriteSmallScreenAvi(dir / "~temp.avi", 5));
  ASSERT_TRUE(WriteToneWav(dir / "~temp001.wav", 100));
  EXPECT_EQ(MergeAudioVideo(dir / "~temp.avi", dir / "~temp001.wav", dir / "missing\\screen.avi",
                            kPrepared),
            MergeSaveFailed);
}

namespace {
// A write that stops half way, as on a disk that fills up or loses power during it.
BOOL WINAPI WriteHalfThenFail(HANDLE file, LPCVOID data, DWORD bytes, LPDWORD written, LPOVERLAPPED) {
  DWORD half = 0;
  WriteFile(file, data, bytes / 2, &half, nullptr);
  if (written) *written = half;
  SetLastError(ERROR_DISK_FULL);
  return FALSE;
}
}  // namespace

// The index of the saved file is put in order after the save; a write that breaks off there must
// not cost the recording: the final file keeps every picture, and the sound is in it or beside it.
TEST(Merge, AWriteThatBreaksOffWhileTheIndexIsPutInOrderLosesNothing) {
  TempDir dir;
  constexpr int kPictures = 20;
  ASSERT_TRUE(WriteSmallScreenAvi(dir / "~temp.avi", kPictures));
  ASSERT_TRUE(WriteToneWav(dir / "~temp001.wav", 400));
  const std::string sound = ReadFileBytes(dir / "~temp001.wav");
  SetMergedAviWriteForTests(WriteHalfThenFail);
  MergeResult result = MergeAudioVideo(dir / "~temp.avi", dir / "~temp001.wav", dir / "screen.avi", kPrepared);
  SetMergedAviWriteForTests(nullptr);
  ApplyMergeOutcome(result, dir / "~temp.avi", dir / "~temp001.wav", dir / "screen.avi");

  AviFacts facts;
  EXPECT_EQ(PictureFrames(dir / "screen.avi", &facts), static_cast<uint32_t>(kPictures)) << result;
  if (facts.streams == 2) {
    EXPECT_EQ(facts.soundBytes, 22050u * 4 * 400 / 1000);
  } else {
    EXPECT_TRUE(ReadFileBytes(dir / "screen.avi.wav") == sound) << "the sound beside the picture is not the recording's";
  }
  EXPECT_FALSE(Exists(dir / "screen.avi.merge"));
}

TEST(FinishRecording, WithoutSoundTheCapturedFileIsLeftAsItIs) {
  TempDir dir;
  ResetRecorderState();
  strcpy(Recorder().outputPath, (dir / "screen.avi").c_str());
  ASSERT_TRUE(WriteFileBytes(dir / "screen.avi", "as captured"));
  Recorder().tempVideoPath = dir / "screen.avi";
  FinishRecording();
  EXPECT_EQ(ReadFileBytes(dir / "screen.avi"), "as captured");
}

TEST(FinishRecording, WithSoundAnExistingFinalFileIsReplacedByTheMerge) {
  TempDir dir;
  ResetRecorderState();
  Recorder().audioMode = AudioMicrophone;
  strcpy(Recorder().outputPath, (dir / "screen.avi").c_str());
  ASSERT_TRUE(WriteFileBytes(dir / "screen.avi", "an older file"));
  ListPart(dir / "~temp.avi", dir / "screen.avi", dir / "~temp001.wav");
  ASSERT_TRUE(WriteSmallScreenAvi(dir / "~temp.avi", 10));
  ASSERT_TRUE(WriteToneWav(dir / "~temp001.wav", 200));
  FinishRecording();
  EXPECT_EQ(StreamTypes(dir / "screen.avi"), "vids,auds");
  EXPECT_FALSE(Exists(dir / "~temp.avi"));
  EXPECT_FALSE(Exists(dir / "~temp001.wav"));
  ResetRecorderState();
}

TEST(FinishRecording, AFinalFileThatStaysLockedLeavesTheTemporaryFiles) {
  TempDir dir;
  ResetRecorderState();
  Recorder().audioMode = AudioMicrophone;
  strcpy(Recorder().outputPath, (dir / "screen.avi").c_str());
  ListPart(dir / "~temp.avi", dir / "screen.avi", dir / "~temp001.wav");
  ASSERT_TRUE(WriteFileBytes(dir / "~temp.avi", "v"));
  ASSERT_TRUE(WriteFileBytes(dir / "~temp001.wav", "s"));
  ASSERT_TRUE(WriteFileBytes(dir / "screen.avi", "held"));
  HANDLE held = CreateFileA((dir / "screen.avi").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0,
                            nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  FinishRecording();
  CloseHandle(held);
  EXPECT_TRUE(Exists(dir / "~temp.avi"));
  EXPECT_TRUE(Exists(dir / "~temp001.wav"));
  EXPECT_EQ(ReadFileBytes(dir / "screen.avi"), "held");
  ResetRecorderState();
}

namespace {
// Sample frames (4 bytes each) of the file's sound, from its index; -1 when it does not read back.
long SoundSamples(const std::string& path) {
  AviFacts facts;
  if (!CheckAviFile(path, &facts)) return -1;
  return static_cast<long>(facts.soundBytes / 4);
}
}  // namespace

// A restart gives the recording a second run with a sound file of its own, and a run whose
// picture rolled over has several parts: each part gets its own section of its run's sound.
TEST(FinishRecording, EveryPartGetsItsSectionOfItsRunsSound) {
  TempDir dir;
  ResetRecorderState();
  Recorder().audioMode = AudioMicrophone;
  strcpy(Recorder().outputPath, (dir / "screen.avi").c_str());
  for (const char* video : {"~temp.avi", "~temp-2.avi", "~temp-3.avi"})
    ASSERT_TRUE(WriteSmallScreenAvi(dir / video, 10));
  ASSERT_TRUE(WriteToneWav(dir / "~temp001.wav", 1000));
  ASSERT_TRUE(WriteToneWav(dir / "~temp002.wav", 300));
  // Run 1: its second part begins 0.5 s (100 positions) into the run; run 2: one part.
  ListPart(dir / "~temp.avi", dir / "screen.avi", dir / "~temp001.wav", 1, 0, 100);
  ListPart(dir / "~temp-2.avi", dir / "screen-2.avi", dir / "~temp001.wav", 1, 100);
  ListPart(dir / "~temp-3.avi", dir / "screen-3.avi", dir / "~temp002.wav", 2);
  FinishRecording();
  for (const char* final : {"screen.avi", "screen-2.avi", "screen-3.avi"})
    EXPECT_EQ(StreamTypes(dir / final), "vids,auds") << final;
  EXPECT_EQ(SoundSamples(dir / "screen.avi"), 11025);
  EXPECT_EQ(SoundSamples(dir / "screen-2.avi"), 11025);
  EXPECT_EQ(SoundSamples(dir / "screen-3.avi"), 22050 * 300 / 1000);
  for (const char* temporary : {"~temp.avi", "~temp-2.avi", "~temp-3.avi", "~temp001.wav", "~temp002.wav",
                                "~temp.avi.wav", "~temp-2.avi.wav"})
    EXPECT_FALSE(Exists(dir / temporary)) << temporary;
  EXPECT_TRUE(Recorder().recordedParts.empty());
  ResetRecorderState();
}

TEST(FinishRecording, ARunSoundThatCannotBeCutIsKeptAndItsPartsKeepTheirPicture) {
  TempDir dir;
  ResetRecorderState();
  Recorder().audioMode = AudioMicrophone;
  strcpy(Recorder().outputPath, (dir / "screen.avi").c_str());
  ASSERT_TRUE(WriteSmallScreenAvi(dir / "~temp.avi", 5));
  ASSERT_TRUE(WriteSmallScreenAvi(dir / "~temp-2.avi", 5));
  ASSERT_TRUE(WriteFileBytes(dir / "~temp001.wav", "not a sound"));
  ListPart(dir / "~temp.avi", dir / "screen.avi", dir / "~temp001.wav", 1, 0, 40);
  ListPart(dir / "~temp-2.avi", dir / "screen-2.avi", dir / "~temp001.wav", 1, 40);
  FinishRecording();
  EXPECT_EQ(StreamTypes(dir / "screen.avi"), "vids");
  EXPECT_EQ(StreamTypes(dir / "screen-2.avi"), "vids");
  EXPECT_EQ(ReadFileBytes(dir / "~temp001.wav"), "not a sound");
  ResetRecorderState();
}
