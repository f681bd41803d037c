// The restart after the system's compressor failed compresses with our own MS Video 1 driver.
// A failing 'MSVC' compressor stands for the system's: installed for this process with
// ICInstall, it is the one ICOpen finds, and it fails ICM_COMPRESS after some frames (until then
// it passes every message on to our driver, so that its frames are right). check_long_recording.sh
// decodes both parts with ffmpeg.
#include "recorder/AviCapture.h"
#include "recorder/Controller.h"
#include "recorder/RecorderState.h"
#include "recorder/TempPaths.h"
#include "recorder/codec/Msvc1Driver.h"
#include "recorder/recovery/AviCheck.h"
#include "recorder/recovery/RecoveryRecord.h"
#include "tests/recorder/CaptureRunTest.h"
#include "tests/recorder/RecordingFiles.h"

#include <gtest/gtest.h>
#include <vfw.h>
#include <atomic>
#include <cstdio>
#include <cstring>

namespace {
std::atomic<int> compressCalls{0};
std::atomic<int> opens{0};
constexpr int kGoodFrames = 30;

LRESULT CALLBACK FailingDriverProc(DWORD_PTR id, HDRVR driver, UINT message, LPARAM param1, LPARAM param2) {
  if (message == DRV_OPEN) ++opens;
  if (message == ICM_COMPRESS && ++compressCalls > kGoodFrames) return ICERR_INTERNAL;
  return Msvc1DriverProc(id, driver, message, param1, param2);
}

class CompressorFallback : public CaptureRunTest {
protected:
  void SetUp() override {
    CaptureRunTest::SetUp();
    // Ours may have been installed by an earlier test; the failing one takes its FOURCC.
    RemoveMsvc1Compressor();
    ASSERT_TRUE(ICInstall(ICTYPE_VIDEO, kFourccMsvc, reinterpret_cast<LPARAM>(&FailingDriverProc), nullptr,
                          ICINSTALL_FUNCTION));
    compressCalls = 0;
    opens = 0;
  }
  void TearDown() override {
    CaptureRunTest::TearDown();
    ICRemove(ICTYPE_VIDEO, kFourccMsvc, 0);
  }
};
}  // namespace

TEST(CompressorFailure, IsToldFromAFileOrDiskFailureByItsResult) {
  EXPECT_TRUE(IsCompressorFailure(AVIERR_COMPRESSOR));
  EXPECT_TRUE(IsCompressorFailure(AVIERR_NOCOMPRESSOR));
  EXPECT_TRUE(IsCompressorFailure(AVIERR_CANTCOMPRESS));
  // A full disk is a failed file write too: the library has no result of its own for it.
  EXPECT_FALSE(IsCompressorFailure(AVIERR_FILEWRITE));
  EXPECT_FALSE(IsCompressorFailure(AVIERR_FILEOPEN));
  EXPECT_FALSE(IsCompressorFailure(AVIERR_MEMORY));
}

TEST_F(CompressorFallback, TheRestartAfterTheSystemCompressorFailedCompressesWithOurs) {
  std::string first = folder_ + "\\screen.avi", second = folder_ + "\\screen-2.avi";
  strcpy(Recorder().outputPath, first.c_str());
  Recorder().captureRectangle = {0, 0, 63, 47};
  Recorder().recording = 1;
  ASSERT_TRUE(ChooseTempVideoPath());
  // The failing compressor is the 'MSVC' one ICOpen finds, so the first run uses it.
  EXPECT_TRUE(RunCapture(0, 0, 64, 48, 200));
  EXPECT_EQ(compressCalls.load(), kGoodFrames + 1);
  EXPECT_TRUE(Recorder().ownCompressor);
  EXPECT_EQ(Recorder().partNumber, 2);
  const int opensBefore = opens.load();
  Sleep(800);
  RequestStop();
  ASSERT_TRUE(WaitForCaptureIdle(30000));

  AviFacts facts;
  EXPECT_EQ(PictureFrames(first, &facts), static_cast<uint32_t>(kGoodFrames));
  // The restart's frames did not go through the failing compressor, which was not even opened.
  EXPECT_EQ(compressCalls.load(), kGoodFrames + 1);
  EXPECT_EQ(opens.load(), opensBefore);
  uint32_t restarted = PictureFrames(second, &facts);
  EXPECT_GT(restarted, 10u);
  EXPECT_EQ(kGoodFrames + restarted, Recorder().framesWritten);
  EXPECT_EQ(facts.videoHandler, kFourccMsvc);
  EXPECT_EQ(facts.videoCompression, kFourccMsvc);
  EXPECT_EQ(facts.rate, 200u);
  EXPECT_EQ(facts.bitCount, 16u);
  EXPECT_GE(facts.keyFrames, 1u);
  EXPECT_FALSE(GetFileAttributesA(RecoveryRecordPath(second).c_str()) != INVALID_FILE_ATTRIBUTES);
  if (FILE* note = fopen((folder_ + "\\fallback.txt").c_str(), "w")) {
    fprintf(note, "%d %u\n", kGoodFrames, restarted);
    fclose(note);
  }
}
