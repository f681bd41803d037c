#include "capture/CaptureMessages.h"
#include "capture/FrameGrabber.h"
#include "tests/capture/DShowFakes.h"
#include "tests/support/MessageBoxRecorder.h"

#include <atomic>
#include <gtest/gtest.h>
#include <thread>
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
    // The callback object lives for the whole program; each test starts without a frame.
    GrabberCallback.TakeFrame();
  }
  void TearDown() override {
    SnapshotRequested = 0;
    GrabberCallback.TakeFrame();
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
  static HRESULT Deliver(double time, std::vector<BYTE>& frame) {
    return GrabberCallback.BufferCB(time, frame.data(), static_cast<LONG>(frame.size()));
  }
  HWND window = nullptr;
};

// Whether every byte of a frame is the same: the streaming side below fills each frame with one.
bool Whole(const FrameCopy& frame) {
  for (BYTE b : frame.bytes)
    if (b != frame.bytes.front()) return false;
  return true;
}
}  // namespace

TEST_F(GrabberCallbackTest, FramesAreCopiedOnlyWhileASnapshotIsWanted) {
  std::vector<BYTE> frame(320 * 240 * 3, 0x5A);
  EXPECT_EQ(Deliver(1.0, frame), S_OK);
  EXPECT_EQ(FrameReadyMessages(), 0);
  EXPECT_FALSE(GrabberCallback.TakeFrame());

  SnapshotRequested = 1;
  EXPECT_EQ(Deliver(2.5, frame), S_OK);
  EXPECT_EQ(FrameReadyMessages(), 1);
  FrameCopyPtr copy = GrabberCallback.TakeFrame();
  ASSERT_TRUE(copy);
  EXPECT_EQ(copy->bytes, frame);
  EXPECT_EQ(copy->sampleTime, 2.5);
  EXPECT_FALSE(GrabberCallback.TakeFrame());  // taken once
}

TEST_F(GrabberCallbackTest, ATakenFrameStaysAsItWasWhileLaterFramesArrive) {
  SnapshotRequested = 1;
  std::vector<BYTE> first(1000, 1);
  Deliver(0.0, first);
  FrameCopyPtr taken = GrabberCallback.TakeFrame();
  ASSERT_TRUE(taken);
  const BYTE* block = taken->bytes.data();
  // The request is still set while the main window writes: a larger frame (which would have
  // meant a new block) and one of the same size both land elsewhere.
  std::vector<BYTE> larger(5000, 2), same(1000, 3);
  Deliver(0.1, larger);
  Deliver(0.2, same);
  EXPECT_EQ(taken->bytes.data(), block);
  EXPECT_EQ(taken->bytes, first);
  EXPECT_EQ(taken->sampleTime, 0.0);
  // The newest frame waits whole; the one it replaced was never seen.
  FrameCopyPtr next = GrabberCallback.TakeFrame();
  ASSERT_TRUE(next);
  EXPECT_EQ(next->bytes, same);
  EXPECT_EQ(FrameReadyMessages(), 3);
}

TEST_F(GrabberCallbackTest, AFrameGivenBackIsReusedForTheNextCopy) {
  SnapshotRequested = 1;
  std::vector<BYTE> frame(1000, 1);
  Deliver(0.0, frame);
  FrameCopyPtr copy = GrabberCallback.TakeFrame();
  ASSERT_TRUE(copy);
  const BYTE* block = copy->bytes.data();
  GrabberCallback.RecycleFrame(std::move(copy));
  std::vector<BYTE> second(1000, 2);
  Deliver(0.1, second);
  copy = GrabberCallback.TakeFrame();
  ASSERT_TRUE(copy);
  EXPECT_EQ(copy->bytes.data(), block);
  EXPECT_EQ(copy->bytes, second);
  // A smaller frame is handed over at its own size, not with the bytes of the older one.
  GrabberCallback.RecycleFrame(std::move(copy));
  std::vector<BYTE> smaller(10, 3);
  Deliver(0.2, smaller);
  copy = GrabberCallback.TakeFrame();
  ASSERT_TRUE(copy);
  EXPECT_EQ(copy->bytes, smaller);
}

TEST_F(GrabberCallbackTest, FramesTakenWhileTheStreamingThreadCopiesAreNeverTorn) {
  SnapshotRequested = 1;
  std::atomic<bool> done{false};
  std::thread streaming([&] {
    std::vector<BYTE> frame;
    for (int i = 0; !done; ++i) {
      // Sizes change from frame to frame, so blocks are refilled at other lengths.
      frame.assign(static_cast<size_t>(2000 + (i % 7) * 1500), static_cast<BYTE>(i));
      GrabberCallback.BufferCB(i, frame.data(), static_cast<LONG>(frame.size()));
    }
  });
  int taken = 0, torn = 0;
  while (taken < 2000) {
    FrameCopyPtr frame = GrabberCallback.TakeFrame();
    if (!frame) continue;
    ++taken;
    // Reading the frame slowly gives the other thread every chance to write into it.
    int index = static_cast<int>(frame->sampleTime);
    if (!Whole(*frame) || frame->bytes.front() != static_cast<BYTE>(index) ||
        frame->bytes.size() != static_cast<size_t>(2000 + (index % 7) * 1500)) {
      ++torn;
    }
    GrabberCallback.RecycleFrame(std::move(frame));
  }
  done = true;
  streaming.join();
  FrameReadyMessages();
  EXPECT_EQ(torn, 0);
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
