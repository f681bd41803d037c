// Microphone recordings whose picture rolls over into parts, and whose run is restarted after a
// failed write: every part must end with its own sound, and no run's sound may be lost or
// overwritten. The part size is lowered so that parts of a few kilobytes stand for parts of 1 GiB.
// check_sound_parts.sh runs "SoundParts.*" with LUMORA_PARTS_OUT set and a microphone that keeps
// real time, and measures each part's picture and sound with ffprobe.
#include "recorder/AviCapture.h"
#include "recorder/Controller.h"
#include "recorder/PartLimit.h"
#include "recorder/RecorderState.h"
#include "recorder/TempPaths.h"
#include "recorder/audio/WaveIn.h"
#include "recorder/recovery/AviCheck.h"
#include "recorder/recovery/RecordingParts.h"
#include "recorder/recovery/RecoveryRecord.h"
#include "tests/recorder/RecordingFiles.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {
LRESULT CALLBACK SoundWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == MM_WIM_DATA) return MMWIMDATA(wParam, lParam);
  return DefWindowProcA(window, message, wParam, lParam);
}

void PumpFor(DWORD milliseconds) {
  DWORD start = GetTickCount();
  while (GetTickCount() - start < milliseconds) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
  }
}

// The capture thread's wave-in buffers come back to this thread's window until the run ends.
bool PumpUntilIdle(DWORD milliseconds) {
  DWORD start = GetTickCount();
  while (!WaitForCaptureIdle(0)) {
    if (GetTickCount() - start > milliseconds) return false;
    PumpFor(50);
  }
  PumpFor(100);
  return true;
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

class SoundParts : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    ASSERT_TRUE(CreateCaptureIdleEvent());
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = SoundWindowProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "SoundPartsTest";
    RegisterClassA(&windowClass);
  }
  static void TearDownTestSuite() { CloseCaptureIdleEvent(); }
  void SetUp() override {
    ResetRecorderState();
    const char* out = std::getenv("LUMORA_PARTS_OUT");
    folder_ = out && *out ? std::string(out) + "\\" + ::testing::UnitTest::GetInstance()->current_test_info()->name()
                          : dir_.Path();
    CreateDirectoryA(folder_.c_str(), nullptr);
    window_ = CreateWindowA("SoundPartsTest", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ASSERT_NE(window_, nullptr);
  }
  void TearDown() override {
    SetAviStreamWriteForTests(nullptr);
    RequestStop();
    EXPECT_TRUE(PumpUntilIdle(60000));
    ResetRecorderState();
    DestroyWindow(window_);
  }
  // Records the screen's top-left 64 x 48 pixels with the microphone for `milliseconds`, in
  // parts of about `partBytes` bytes of frames.
  void Record(DWORD milliseconds, uint64_t partBytes) {
    RecorderState& state = Recorder();
    strcpy(state.outputPath, (folder_ + "\\screen.avi").c_str());
    state.callbackWindow = window_;
    state.audioMode = AudioMicrophone;
    PrepareMicrophoneFormat();
    state.captureRectangle = {0, 0, 63, 47};
    state.partByteLimit = kPartSlackBytes + partBytes;
    StartCapture();
    PumpFor(milliseconds);
    RequestStop();
    ASSERT_TRUE(PumpUntilIdle(60000));
  }
  // Every part holds picture and sound, no temporary file is left, and the parts are noted for
  // check_sound_parts.sh.
  void ExpectEveryPartWithSound(size_t atLeast) {
    std::vector<std::string> parts = ExistingRecordingParts(folder_ + "\\screen.avi");
    ASSERT_GE(parts.size(), atLeast);
    EXPECT_EQ(static_cast<int>(parts.size()), Recorder().partNumber);
    for (const std::string& part : parts) {
      AviFacts facts;
      ASSERT_TRUE(CheckAviFile(part, &facts)) << part;
      EXPECT_EQ(facts.streams, 2u) << part;
      EXPECT_GT(facts.soundBytes, 0u) << part;
      EXPECT_GE(facts.keyFrames, 1u) << part;
      EXPECT_EQ(StreamTypes(part), "vids,auds") << part;
    }
    for (int part = 1; part <= Recorder().partNumber; ++part) {
      std::string temp = RecordingPartPath(folder_ + "\\~temp.avi", part);
      EXPECT_FALSE(Exists(temp)) << temp;
      EXPECT_FALSE(Exists(temp + ".wav")) << temp;
      EXPECT_FALSE(Exists(RecoveryRecordPath(temp))) << temp;
    }
    for (const char* sound : {"~temp001.wav", "~temp002.wav"})
      EXPECT_FALSE(Exists(TempDirectory() + "\\" + sound)) << sound;
    if (FILE* note = fopen((folder_ + "\\parts.txt").c_str(), "w")) {
      fprintf(note, "%u\n", static_cast<unsigned>(parts.size()));
      fclose(note);
    }
  }
  TempDir dir_;
  std::string folder_;
  HWND window_ = nullptr;
};
}  // namespace

TEST_F(SoundParts, EveryPartOfARolledOverRecordingCarriesItsOwnSound) {
  Record(4000, 64 * 48 * 2 + 8192);
  ExpectEveryPartWithSound(3);
}

TEST_F(SoundParts, ARestartKeepsTheFirstRunsSoundAndGivesTheSecondRunItsOwn) {
  // The still corner is taken about 20 times a second: the 40th write comes halfway through.
  constexpr int kFailingCall = 40;
  FailFrameWriteNumber(kFailingCall);
  Record(4000, 64 * 48 * 2 + 8192);
  ASSERT_GE(FrameWritesSoFar(), kFailingCall) << "frames written: " << Recorder().framesWritten;
  // The failed write ended the first run and the restart began a second one.
  EXPECT_EQ(Recorder().runNumber, 2);
  EXPECT_EQ(Recorder().CompressorFallback, kFourccMsvc);
  ExpectEveryPartWithSound(3);
}
