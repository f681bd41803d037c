// The sound side against a played sound card: recording-line choice by name and by level test,
// the volume rule, the user's source given back, the MCI format fallback, and wave-in buffers.
#include "recorder/Controller.h"
#include "recorder/RecorderState.h"
#include "recorder/TempPaths.h"
#include "recorder/Vistrel.h"
#include "recorder/audio/Mci.h"
#include "recorder/audio/Mixer.h"
#include "recorder/audio/RecordingLine.h"
#include "recorder/audio/SourceLevels.h"
#include "recorder/audio/WaveIn.h"
#include "tests/recorder/FakeAudio.h"
#include "tests/recorder/RecordingFiles.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>
#include <cstring>
#include <thread>

namespace {
constexpr DWORD kAnalog = MIXERLINE_COMPONENTTYPE_SRC_ANALOG;
constexpr DWORD kMic = MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE;
constexpr DWORD kWaveOut = MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT;

class Sound : public ::testing::Test {
protected:
  void SetUp() override {
    ResetRecorderState();
    ResetMixerState();
    ResetWaveInState();
    CreateDirectoryA((windows / "temp").c_str(), nullptr);
    OverrideWindowsDirectory(windows.Path());
  }
  void TearDown() override {
    ResetWaveInState();
    ResetMixerState();
    ResetRecorderState();
    OverrideWindowsDirectory("");
  }
  void Lines(std::vector<FakeLine> lines) {
    fake.audio.lines = std::move(lines);
    fake.audio.selection.assign(fake.audio.lines.size(), 0);
    fake.audio.selection[0] = 1;  // the user's own choice
  }
  std::vector<DWORD> Selected(std::initializer_list<DWORD> values) { return values; }
  FakeAudioGuard fake;
  TempDir windows;
};

double LevelOf(std::vector<short> samples) {
  CBuffer buffer(samples.data(), static_cast<int>(samples.size() * 2));
  LevelStatistics statistics;
  AccumulateLevel(buffer, 16, statistics);
  return statistics.sumOfMeans / statistics.buffers;
}

int Decide(std::initializer_list<double> levels) {
  LevelTestResult result;
  int item = 0;
  for (double level : levels) RankLevel(level, item++, result);
  return ChooseFromLevels(result);
}
}  // namespace

TEST(SourceLevels, BestMustBeMoreThanFiveTimesTheDisplacedRunnerUp) {
  EXPECT_EQ(Decide({40, 5, 3}), -1);  // the runner-up never rose above -1
  EXPECT_EQ(Decide({5, 40, 3}), 1);
  EXPECT_EQ(Decide({3, 15}), -1);     // exactly 5 is not enough
  EXPECT_EQ(Decide({3, 16}), 1);
  EXPECT_EQ(Decide({}), -1);
}

TEST(SourceLevels, MeanDistanceFromSilence) {
  unsigned char silence[400];
  memset(silence, 128, sizeof(silence));
  CBuffer eight(silence, 400);
  LevelStatistics statistics;
  AccumulateLevel(eight, 8, statistics);
  EXPECT_EQ(statistics.sumOfMeans, 0.0);
  EXPECT_EQ(statistics.buffers, 1.0);
  EXPECT_DOUBLE_EQ(LevelOf({100, -100}), 100.0);
  LevelStatistics ignored;
  AccumulateLevel(eight, 24, ignored);
  EXPECT_EQ(ignored.buffers, 0.0);
}

TEST_F(Sound, StereoMixIsChosenByNameWithoutATestAndRemembered) {
  Lines({{kMic, "Microphone", 0}, {kAnalog, "Line In", 0}, {kWaveOut, "Stereo Mix", 0}});
  EXPECT_TRUE(SelectRecordingSource(kAnalog, "Stereo Mix"));
  EXPECT_EQ(fake.audio.selection, Selected({0, 0, 1}));
  EXPECT_EQ(Mixer().CachedSourceIndex, 2);
  EXPECT_EQ(fake.audio.saves, 0);
  EXPECT_EQ(fake.audio.mixerOpens, fake.audio.mixerCloses);
  fake.audio.lineInfoByIdCalls = 0;
  fake.audio.selection = {1, 0, 0};
  EXPECT_TRUE(SelectRecordingSource(kAnalog, "Stereo Mix"));
  EXPECT_EQ(fake.audio.selection, Selected({0, 0, 1}));
  EXPECT_EQ(fake.audio.lineInfoByIdCalls, 0);
}

TEST_F(Sound, ANameDifferingInCaseRunsTheLevelTest) {
  Lines({{kAnalog, "stereo mix", 5}, {kAnalog, "What U Hear", 40}, {kAnalog, "Aux", 3}});
  EXPECT_TRUE(SelectRecordingSource(kAnalog, "Stereo Mix"));
  EXPECT_EQ(fake.audio.saves, 3);
  EXPECT_EQ(fake.audio.selection, Selected({0, 1, 0}));
  EXPECT_EQ(Mixer().CachedSourceIndex, 1);
  // The test recordings are gone.
  for (int i = 0; i < 3; ++i)
    EXPECT_EQ(GetFileAttributesA((ProgramDirectory() + "\\testrec" + std::to_string(i) + ".wav").c_str()),
              INVALID_FILE_ATTRIBUTES);
}

TEST_F(Sound, NoClearWinnerChoosesNothingAndLeavesTheLastItemTested) {
  Lines({{kAnalog, "Line In", 3}, {kAnalog, "Aux", 14}});
  EXPECT_FALSE(SelectRecordingSource(kAnalog, "Stereo Mix"));
  EXPECT_EQ(fake.audio.selection, Selected({0, 1}));
  EXPECT_EQ(Mixer().CachedSourceIndex, -1);
  EXPECT_EQ(fake.audio.mixerOpens, fake.audio.mixerCloses);
  EXPECT_EQ(Mixer().handle, nullptr);
}

TEST_F(Sound, TheFirstMicrophoneInSelectorOrderIsChosen) {
  Lines({{kAnalog, "Line In", 0}, {kMic, "Mic 2", 0}, {kMic, "Mic 1", 0}});
  EXPECT_TRUE(SelectRecordingSource(kMic, ""));
  EXPECT_EQ(fake.audio.selection, Selected({0, 1, 0}));
}

TEST_F(Sound, AQuietSourceIsRaisedToSevenPercentBeforeItsTest) {
  Lines({{kAnalog, "Low", 10, true, 0, 65535, 3000}, {kAnalog, "Enough", 10, true, 0, 65535, 4588}});
  MeasureSourceLevels({}, kAnalog);  // no items: nothing happens
  ASSERT_TRUE(OpenMixer());
  ASSERT_TRUE(FindSourceSelector());
  EXPECT_TRUE(EnsureSourceVolume(1));
  EXPECT_TRUE(EnsureSourceVolume(2));
  EXPECT_EQ(fake.audio.lines[0].volume, 4587u);
  EXPECT_EQ(fake.audio.lines[1].volume, 4588u);
  CloseMixer();
}

TEST_F(Sound, TheUsersOwnSourceComesBackAtExit) {
  Lines({{kMic, "Microphone", 0}, {kAnalog, "Line In", 0}, {kAnalog, "Stereo Mix", 0}});
  fake.audio.selection = {0, 1, 0};
  EXPECT_TRUE(SelectRecordingSource(kAnalog, "Stereo Mix"));
  EXPECT_TRUE(SelectRecordingSource(kMic, ""));
  EXPECT_EQ(fake.audio.selection, Selected({1, 0, 0}));
  ReleaseAudioSide();
  EXPECT_EQ(fake.audio.selection, Selected({0, 1, 0}));
  EXPECT_EQ(fake.audio.mixerOpens, fake.audio.mixerCloses);
}

TEST_F(Sound, AMixerWithoutSelectorIsClosedAgain) {
  Lines({{kMic, "Microphone", 0}});
  fake.audio.selectorType = 0;
  EXPECT_FALSE(SelectRecordingSource(kMic, ""));
  EXPECT_EQ(fake.audio.mixerOpens, 1);
  EXPECT_EQ(fake.audio.mixerCloses, 1);
}

TEST_F(Sound, MciFormatFallsBackToTheFirstAcceptedRow) {
  fake.audio.acceptedRates = {22050};
  MciOpenWave();
  EXPECT_EQ(MciDevice(), 7u);
  EXPECT_EQ(MciSetWaveFormat(), 1);
  EXPECT_EQ(fake.audio.formatsTried, (std::vector<std::string>{"44100/2/16", "22050/2/16"}));
  fake.audio.acceptedRates = {};
  fake.audio.formatsTried.clear();
  EXPECT_EQ(MciSetWaveFormat(), -1);
  EXPECT_EQ(fake.audio.formatsTried.size(), 10u);
  EXPECT_EQ(fake.audio.formatsTried.back(), "11025/2/8");
}

TEST_F(Sound, WaveInBuffersCarryWhatWasRecordedAndAreFreedAfterTheStop) {
  Recorder().recording = 1;
  BeginMicrophoneRecording();
  ASSERT_NE(CurrentSoundFile(), nullptr);
  std::string wav = Recorder().tempSoundPath;
  ASSERT_EQ(WaveInStartCapture(MicrophoneFormat()), 1);
  EXPECT_EQ(OutstandingBuffers(), 3);
  ASSERT_EQ(fake.audio.queued.size(), 3u);
  for (WAVEHDR* header : fake.audio.queued) EXPECT_EQ(header->dwBufferLength, 4000u);

  std::vector<WAVEHDR*> returned = fake.audio.queued;
  fake.audio.queued.clear();
  memset(returned[0]->lpData, 'A', 4000);
  returned[0]->dwBytesRecorded = 4000;
  EXPECT_EQ(MMWIMDATA(0, reinterpret_cast<LPARAM>(returned[0])), 0);
  memset(returned[1]->lpData, 'B', 4000);
  returned[1]->dwBytesRecorded = 1000;  // a partly filled buffer at the end of a burst
  MMWIMDATA(0, reinterpret_cast<LPARAM>(returned[1]));
  EXPECT_EQ(fake.audio.queued.size(), 2u);  // both circulate again
  EXPECT_EQ(OutstandingBuffers(), 3);

  Recorder().recording = 0;
  returned[2]->dwBytesRecorded = 4000;
  MMWIMDATA(0, reinterpret_cast<LPARAM>(returned[2]));
  EXPECT_EQ(OutstandingBuffers(), 2);
  EXPECT_EQ(WaveInStopCapture(), static_cast<MMRESULT>(MMSYSERR_NOERROR));
  // A second stop finds the device closed: the reset's error, nothing else.
  EXPECT_EQ(WaveInStopCapture(), static_cast<MMRESULT>(MMSYSERR_INVALHANDLE));
  for (WAVEHDR* header : fake.audio.queued) MMWIMDATA(0, reinterpret_cast<LPARAM>(header));
  EXPECT_EQ(OutstandingBuffers(), 0);
  CloseSoundFile();
  EXPECT_EQ(CurrentSoundFile(), nullptr);

  std::string bytes = ReadFileBytes(wav);
  ASSERT_EQ(bytes.size(), 46u + 5000u);
  EXPECT_EQ(bytes[46], 'A');
  EXPECT_EQ(bytes[46 + 4000], 'B');
  EXPECT_EQ(bytes.back(), 'B');
  DeleteFileA(wav.c_str());
}

TEST_F(Sound, TheMicrophonesSoundOfAPauseIsLeftOutAndItsBuffersCirculate) {
  Recorder().recording = 1;
  BeginMicrophoneRecording();
  std::string wav = Recorder().tempSoundPath;
  ASSERT_EQ(WaveInStartCapture(MicrophoneFormat()), 1);
  std::vector<WAVEHDR*> returned = fake.audio.queued;
  fake.audio.queued.clear();
  const char fill[] = {'A', 'P', 'C'};
  for (int i = 0; i < 3; ++i) {
    // The second buffer arrives while the recording is paused.
    if (i == 1) OnPause(TRUE);
    if (i == 2) OnPause(FALSE);
    memset(returned[i]->lpData, fill[i], 4000);
    returned[i]->dwBytesRecorded = 4000;
    MMWIMDATA(0, reinterpret_cast<LPARAM>(returned[i]));
  }
  EXPECT_EQ(fake.audio.queued.size(), 3u) << "the paused buffer goes back to the device too";
  Recorder().recording = 0;
  EXPECT_EQ(WaveInStopCapture(), static_cast<MMRESULT>(MMSYSERR_NOERROR));
  for (WAVEHDR* header : fake.audio.queued) MMWIMDATA(0, reinterpret_cast<LPARAM>(header));
  CloseSoundFile();
  std::string bytes = ReadFileBytes(wav);
  ASSERT_EQ(bytes.size(), 46u + 8000u);
  EXPECT_EQ(bytes[46], 'A');
  EXPECT_EQ(bytes[46 + 4000], 'C');
  EXPECT_EQ(bytes.find('P', 46), std::string::npos);
  DeleteFileA(wav.c_str());
}

TEST_F(Sound, TheAudioModeStaysUntilAnotherSourceIsAskedFor) {
  Lines({{kMic, "Microphone", 0}});
  ASSERT_TRUE(CreateCaptureIdleEvent());
  TempDir lessons;
  std::string first = lessons / "first.avi", second = lessons / "second.avi";
  OnRecord(nullptr, first.c_str(), 1);
  EXPECT_EQ(Recorder().audioMode, AudioMicrophone);
  Sleep(300);
  OnStop();
  OnRecord(nullptr, second.c_str(), 0);
  EXPECT_EQ(Recorder().audioMode, AudioMicrophone);
  Sleep(300);
  OnStop();
  ASSERT_TRUE(WaitForCaptureIdle(60000));
  // The wave-in device was opened with sound (the microphone path) for both recordings, and
  // both final files hold the picture.
  EXPECT_EQ(StreamTypes(first).substr(0, 4), "vids");
  EXPECT_EQ(StreamTypes(second).substr(0, 4), "vids");
  EXPECT_EQ(GetFileAttributesA((lessons / "~temp.avi").c_str()), INVALID_FILE_ATTRIBUTES);
  CloseCaptureIdleEvent();
  fake.audio.waveInDevices = 0;
}

TEST_F(Sound, BuffersWhoseMessagesComeAfterTheCloseAreFreedAndNeverWritten) {
  Recorder().recording = 1;
  BeginMicrophoneRecording();
  ASSERT_EQ(WaveInStartCapture(MicrophoneFormat()), 1);
  auto first = reinterpret_cast<WPARAM>(CurrentWaveIn());
  std::vector<WAVEHDR*> late = fake.audio.queued;
  fake.audio.queued.clear();
  // The stop's reset returns all three buffers, but the host only gets to their messages
  // after the device was closed.
  Recorder().recording = 0;
  ASSERT_EQ(WaveInStopCapture(), static_cast<MMRESULT>(MMSYSERR_NOERROR));
  CloseSoundFile();
  MMWIMDATA(first, reinterpret_cast<LPARAM>(late[0]));
  EXPECT_EQ(OutstandingBuffers(), 2);

  // The next recording has opened the device again before the other two come back.
  Recorder().recording = 1;
  BeginMicrophoneRecording();
  std::string wav = Recorder().tempSoundPath;
  ASSERT_EQ(WaveInStartCapture(MicrophoneFormat()), 1);
  auto second = reinterpret_cast<WPARAM>(CurrentWaveIn());
  ASSERT_NE(second, first);
  EXPECT_EQ(OutstandingBuffers(), 5);
  for (size_t i = 1; i < late.size(); ++i) {
    memset(late[i]->lpData, 'X', 4000);
    late[i]->dwBytesRecorded = 4000;
    MMWIMDATA(first, reinterpret_cast<LPARAM>(late[i]));
  }
  EXPECT_EQ(OutstandingBuffers(), 3);
  EXPECT_EQ(fake.audio.queued.size(), 3u);  // the new device's own buffers only

  Recorder().recording = 0;
  ASSERT_EQ(WaveInStopCapture(), static_cast<MMRESULT>(MMSYSERR_NOERROR));
  for (WAVEHDR* header : fake.audio.queued) MMWIMDATA(second, reinterpret_cast<LPARAM>(header));
  EXPECT_EQ(OutstandingBuffers(), 0);
  CloseSoundFile();
  // Nothing of the earlier recording reached the new sound file.
  EXPECT_EQ(ReadFileBytes(wav).size(), 46u);
  DeleteFileA(wav.c_str());
}

TEST_F(Sound, AStopAfterAFailedSetUpSendsNothingToThePreviousRunsDevice) {
  TempDir lessons;
  std::string saved = lessons / "sound.wav";
  MciOpenWave();
  MciStartRecord();
  MciStopAndSave(saved);
  MciClose();
  EXPECT_EQ(fake.audio.saves, 1);
  EXPECT_EQ(fake.audio.mciCommands.back(), "7 " + std::to_string(MCI_CLOSE));

  // The next system-sound run cannot open its AVI file (the path is a folder), so it never
  // opens the sound device; its stop must not go to the id the earlier run left behind.
  fake.audio.mciCommands.clear();
  Recorder().audioMode = AudioSystemSound;
  Recorder().CompressorFallback = kFourccMsvc;  // no restart
  std::string output = lessons / "screen.avi";
  strcpy(Recorder().outputPath, output.c_str());
  Recorder().tempVideoPath = lessons.Path();
  Recorder().recording = 1;
  EXPECT_FALSE(RunCapture(0, 0, 64, 48, 200));
  EXPECT_TRUE(fake.audio.mciCommands.empty());
  EXPECT_EQ(fake.audio.saves, 1);
}

// The system sound's device pauses with the pictures and records on at the resume; a stop while
// paused stops and saves it without a resume.
TEST_F(Sound, TheSystemSoundDevicePausesWithThePictures) {
  TempDir lessons;
  auto commandsOf = [&](bool resumeBeforeStop) {
    fake.audio.mciCommands.clear();
    ResetRecorderState();
    Recorder().audioMode = AudioSystemSound;
    Recorder().CompressorFallback = kFourccMsvc;  // no restart
    std::string output = lessons / (resumeBeforeStop ? "resumed.avi" : "stopped.avi");
    strcpy(Recorder().outputPath, output.c_str());
    Recorder().tempVideoPath = lessons / "recording.avi";
    Recorder().recording = 1;
    Recorder().pauses.Pause(GetTickCount());
    std::thread host([resumeBeforeStop] {
      Sleep(300);
      if (resumeBeforeStop) Recorder().pauses.Resume(GetTickCount());
      Sleep(300);
      Recorder().recording = 0;
    });
    RunCapture(0, 0, 64, 48, 200);
    host.join();
    std::vector<std::string> commands;
    for (const std::string& command : fake.audio.mciCommands) {
      for (UINT code : {MCI_RECORD, MCI_PAUSE, MCI_RESUME, MCI_STOP, MCI_SAVE}) {
        if (command == "7 " + std::to_string(code)) commands.push_back(command.substr(2));
      }
    }
    return commands;
  };
  auto code = [](UINT command) { return std::to_string(command); };
  EXPECT_EQ(commandsOf(true), (std::vector<std::string>{code(MCI_RECORD), code(MCI_PAUSE), code(MCI_RESUME),
                                                         code(MCI_STOP), code(MCI_SAVE)}));
  EXPECT_EQ(commandsOf(false),
            (std::vector<std::string>{code(MCI_RECORD), code(MCI_PAUSE), code(MCI_STOP), code(MCI_SAVE)}));
}
