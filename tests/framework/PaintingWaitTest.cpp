// The user-interface thread's wait for another thread: its window is repainted and answers
// messages sent from other threads while it waits, and input and posted messages wait for later.
#include "framework/Handles.h"
#include "framework/PaintingWait.h"

#include <gtest/gtest.h>
#include <atomic>
#include <thread>

namespace {
constexpr UINT kSentProbe = WM_APP + 5;
constexpr UINT kPostedProbe = WM_APP + 6;

std::atomic<int> paints{0};
std::atomic<int> sentHandled{0};
std::atomic<int> postedHandled{0};
std::atomic<int> keysHandled{0};

LRESULT CALLBACK ProbeProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT paint;
      BeginPaint(window, &paint);
      EndPaint(window, &paint);
      ++paints;
      return 0;
    }
    case kSentProbe: ++sentHandled; return 42;
    case kPostedProbe: ++postedHandled; return 0;
    case WM_KEYDOWN: ++keysHandled; return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

class PaintingWait : public ::testing::Test {
protected:
  void SetUp() override {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = ProbeProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "PaintingWaitProbe";
    RegisterClassA(&windowClass);
    window = CreateWindowExA(0, "PaintingWaitProbe", "probe", WS_POPUP | WS_VISIBLE, 10, 10, 200, 100,
                             nullptr, nullptr, windowClass.hInstance, nullptr);
    ASSERT_NE(window, nullptr);
    UpdateWindow(window);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    paints = sentHandled = postedHandled = keysHandled = 0;
    done.Reset(CreateEventA(nullptr, TRUE, FALSE, nullptr));
  }
  void TearDown() override { DestroyWindow(window); }
  HWND window = nullptr;
  UniqueHandle done;
};
}  // namespace

TEST_F(PaintingWait, TheWindowIsRepaintedAndAnswersOtherThreadsUntilTheWorkIsDone) {
  PostMessageA(window, kPostedProbe, 0, 0);
  PostMessageA(window, WM_KEYDOWN, VK_SPACE, 1);
  LRESULT answer = 0;
  // The other thread's work needs the window: it waits for a repaint, then sends to the window
  // (which a plain wait would leave unanswered until the time is up), and only then is done.
  std::thread worker([&] {
    InvalidateRect(window, nullptr, TRUE);
    for (int i = 0; i < 2000 && paints == 0; ++i) Sleep(10);
    DWORD_PTR result = 0;
    if (SendMessageTimeoutA(window, kSentProbe, 0, 0, SMTO_BLOCK, 20000, &result)) answer = static_cast<LRESULT>(result);
    SetEvent(done.Get());
  });
  bool finished = WaitKeepingWindowsPainted(done.Get(), 60000);
  worker.join();
  EXPECT_TRUE(finished);
  EXPECT_GE(paints.load(), 1);
  EXPECT_EQ(sentHandled.load(), 1);
  EXPECT_EQ(answer, 42);
  // What the user did and what was posted is handled after the wait, not during it.
  EXPECT_EQ(postedHandled.load(), 0);
  EXPECT_EQ(keysHandled.load(), 0);
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  EXPECT_EQ(postedHandled.load(), 1);
  EXPECT_EQ(keysHandled.load(), 1);
}

TEST_F(PaintingWait, AWaitThatRunsOutAnswersFalse) {
  EXPECT_FALSE(WaitKeepingWindowsPainted(done.Get(), 100));
  SetEvent(done.Get());
  EXPECT_TRUE(WaitKeepingWindowsPainted(done.Get(), 0));
  EXPECT_FALSE(WaitKeepingWindowsPainted(nullptr, 100));
}
