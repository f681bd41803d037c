#include "capture/CaptureMessages.h"
#include "capture/FrameGrabber.h"
#include "tests/capture/DShowFakes.h"
#include "tests/support/MessageBoxRecorder.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <vector>

using namespace fakes;

TEST(GrabberMediaType, DisplayDepthSelectsTheRgbSubtypeAndSixteenBitsMeansRgb555) {
  ComPtr<FakeSampleGrabber> grabber = ComPtr<FakeSampleGrabber>::Attach(new FakeSampleGrabber);
  const struct { int bits; const char* subtype; } cases[] = {
      {8, "RGB8"}, {16, "RGB555"}, {24, "RGB24"}, {32, "RGB32"}};
  for (const auto& c : cases) {
    Calls().clear();
    EXPECT_EQ(SetGrabberMediaType(grabber.Get(), c.bits), 1);
    EXPECT_EQ(Calls(), (std::vector<std::string>{std::string("SetMediaType Video ") + c.subtype + " GUID_NULL"}));
    EXPECT_EQ(DisplayColourDepth, c.bits);
  }
}

TEST(GrabberMediaType, OtherDepthsFailWithoutTouchingTheGrabber) {
  MessageBoxRecorder boxes;
  ComPtr<FakeSampleGrabber> grabber = ComPtr<FakeSampleGrabber>::Attach(new FakeSampleGrabber);
  Calls().clear();
  EXPECT_EQ(SetGrabberMediaType(grabber.Get(), 15), E_FAIL);
  EXPECT_EQ(DisplayColourDepth, 15);
  EXPECT_TRUE(Calls().empty());
  EXPECT_TRUE(boxes.Texts().empty());

  grabber->setMediaTypeResult = VFW_E_TYPE_NOT_ACCEPTED;
  EXPECT_EQ(SetGrabberMediaType(grabber.Get(), 24), VFW_E_TYPE_NOT_ACCEPTED);
  EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{"设置媒体类型失败！"}));
}

TEST(GrabberMediaType, UnreadableConnectedTypeIsReported) {
  MessageBoxRecorder boxes;
  ComPtr<FakeSampleGrabber> grabber = ComPtr<FakeSampleGrabber>::Attach(new FakeSampleGrabber);
  grabber->connectedResult = VFW_E_NOT_CONNECTED;
  EXPECT_EQ(ConfigureGrabberCallback(grabber.Get(), nullptr), VFW_E_NOT_CONNECTED);
  EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{"无法读取已连接的媒体类型！"}));
}

namespace {
class GrabberCallbackTest : public ::testing::Test {
protected:
  void SetUp() override {
    window = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    GrabberCallback.owner = window;
    SnapshotRequested = 0;
    ForgetFrameCopy();
  }
  // The callback object lives for the whole program; each test starts without a copy.
  static void ForgetFrameCopy() {
    std::free(GrabberCallback.frameCopy);
    GrabberCallback.frameCopy = nullptr;
    GrabberCallback.frameCopyCapacity = 0;
  }
  void TearDown() override {
    SnapshotRequested = 0;
    GrabberCallback.owner = nullptr;
    DestroyWindow(window);
  }
  int FrameReadyMessages() {
    int count = 0;
    MSG msg;
    while (PeekMessageA(&msg, window, WM_FRAMEREADY, WM_FRAMEREADY, PM_REMOVE)) {
      EXPECT_EQ(msg.wParam, 0u);
      EXPECT_EQ(msg.lParam, 0);
      ++count;
    }
    return count;
  }
  HWND window = nullptr;
};
}  // namespace

TEST_F(GrabberCallbackTest, FramesAreCopiedOnlyWhileASnapshotIsWanted) {
  std::vector<BYTE> frame(320 * 240 * 3, 0x5A);
  EXPECT_EQ(GrabberCallback.BufferCB(1.0, frame.data(), static_cast<LONG>(frame.size())), S_OK);
  EXPECT_EQ(FrameReadyMessages(), 0);

  SnapshotRequested = 1;
  EXPECT_EQ(GrabberCallback.BufferCB(2.5, frame.data(), static_cast<LONG>(frame.size())), S_OK);
  EXPECT_EQ(FrameReadyMessages(), 1);
  ASSERT_NE(GrabberCallback.frameCopy, nullptr);
  EXPECT_EQ(GrabberCallback.frameCopyCapacity, frame.size());
  EXPECT_EQ(GrabberCallback.frameSampleTime, 2.5);
  EXPECT_EQ(std::vector<BYTE>(GrabberCallback.frameCopy, GrabberCallback.frameCopy + frame.size()), frame);
}

TEST_F(GrabberCallbackTest, FramesOfTheSameSizeReuseOneBlockAndLargerOnesGetANewOne) {
  SnapshotRequested = 1;
  std::vector<BYTE> frame(1000, 1);
  GrabberCallback.BufferCB(0.0, frame.data(), 1000);
  BYTE* first = GrabberCallback.frameCopy;
  std::vector<BYTE> second(1000, 2);
  GrabberCallback.BufferCB(0.1, second.data(), 1000);
  EXPECT_EQ(GrabberCallback.frameCopy, first);
  EXPECT_EQ(GrabberCallback.frameCopy[999], 2);

  std::vector<BYTE> smaller(10, 3);
  GrabberCallback.BufferCB(0.2, smaller.data(), 10);
  EXPECT_EQ(GrabberCallback.frameCopyCapacity, 1000u);  // the capacity is the block's
  EXPECT_EQ(GrabberCallback.frameCopy[0], 3);

  std::vector<BYTE> larger(5000, 4);
  GrabberCallback.BufferCB(0.3, larger.data(), 5000);
  EXPECT_EQ(GrabberCallback.frameCopyCapacity, 5000u);
  EXPECT_EQ(GrabberCallback.frameCopy[4999], 4);
  EXPECT_EQ(FrameReadyMessages(), 4);
}

TEST_F(GrabberCallbackTest, MissingFrameIsRefusedAndTheInterfacesAreAnswered) {
  SnapshotRequested = 1;
  EXPECT_EQ(GrabberCallback.BufferCB(0.0, nullptr, 100), E_POINTER);
  EXPECT_EQ(FrameReadyMessages(), 0);
  EXPECT_EQ(GrabberCallback.SampleCB(0.0, nullptr), S_OK);

  void* out = nullptr;
  EXPECT_EQ(GrabberCallback.QueryInterface(IID_ISampleGrabberCB, &out), S_OK);
  EXPECT_EQ(out, static_cast<ISampleGrabberCB*>(&GrabberCallback));
  EXPECT_EQ(GrabberCallback.QueryInterface(IID_IUnknown, &out), S_OK);
  EXPECT_EQ(GrabberCallback.QueryInterface(IID_IBaseFilter, &out), E_NOINTERFACE);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(GrabberCallback.AddRef(), 2u);
  EXPECT_EQ(GrabberCallback.Release(), 1u);
}
