// The fixture of tests that run whole captures on the capture thread: the completion event for
// the suite, a clean recorder state around each test, the run stopped and waited for at its end,
// and the folder the parts go to (LUMORA_PARTS_OUT when a script keeps them for ffmpeg, the
// test's own temporary folder otherwise).
#pragma once
#include "recorder/Controller.h"
#include "recorder/RecorderState.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>
#include <cstdlib>
#include <string>

class CaptureRunTest : public ::testing::Test {
protected:
  static void SetUpTestSuite() { ASSERT_TRUE(CreateCaptureIdleEvent()); }
  static void TearDownTestSuite() { CloseCaptureIdleEvent(); }
  void SetUp() override {
    ResetRecorderState();
    const char* out = std::getenv("LUMORA_PARTS_OUT");
    folder_ = out && *out ? std::string(out) : dir_.Path();
  }
  void TearDown() override {
    RequestStop();
    EXPECT_TRUE(WaitForCaptureIdle(60000));
    ResetRecorderState();
  }
  TempDir dir_;
  std::string folder_;
};
