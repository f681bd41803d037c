#include "mainwnd/SnapshotHotKey.h"

#include <gtest/gtest.h>

namespace {
// A plain top-level window standing in for a window of the program or of another one.
class PlainWindow {
public:
  PlainWindow() : hwnd_(CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr)) {}
  ~PlainWindow() { DestroyWindow(hwnd_); }
  HWND Get() const { return hwnd_; }

private:
  HWND hwnd_;
};

// True when `window` can take Ctrl+F6 itself, i.e. nobody else holds it; gives it back at once.
bool CtrlF6IsFree(HWND window) {
  if (!RegisterHotKey(window, 77, MOD_CONTROL, VK_F6)) return false;
  UnregisterHotKey(window, 77);
  return true;
}
}  // namespace

TEST(SnapshotHotKey, HeldWhileClaimedAndFreeAfterRelease) {
  PlainWindow main, other;
  ASSERT_TRUE(CtrlF6IsFree(other.Get())) << "another program of this desktop holds Ctrl+F6";
  SnapshotHotKey key;
  ASSERT_TRUE(key.Claim(main.Get()));
  EXPECT_TRUE(key.Held());
  EXPECT_FALSE(CtrlF6IsFree(other.Get()));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_HOTKEY_ALREADY_REGISTERED));
  // A second claim (a second recording start) keeps the one registration.
  EXPECT_TRUE(key.Claim(main.Get()));
  key.Release();
  EXPECT_FALSE(key.Held());
  EXPECT_TRUE(CtrlF6IsFree(other.Get()));
  // Released twice (stop, then exit) is harmless.
  key.Release();
  EXPECT_TRUE(CtrlF6IsFree(other.Get()));
}

TEST(SnapshotHotKey, HeldByAnotherProgramIsRefusedAndLeftAlone) {
  PlainWindow main, other;
  ASSERT_TRUE(RegisterHotKey(other.Get(), 5, MOD_CONTROL, VK_F6));
  SnapshotHotKey key;
  EXPECT_FALSE(key.Claim(main.Get()));
  EXPECT_FALSE(key.Held());
  // Giving back a key it never got must not take it from its holder.
  key.Release();
  EXPECT_FALSE(CtrlF6IsFree(main.Get()));
  UnregisterHotKey(other.Get(), 5);
  // Once free, the next recording gets it.
  EXPECT_TRUE(key.Claim(main.Get()));
  key.Release();
}

TEST(SnapshotHotKey, GivenBackWhenTheOwnerGoes) {
  PlainWindow main, other;
  {
    SnapshotHotKey key;
    ASSERT_TRUE(key.Claim(main.Get()));
  }
  EXPECT_TRUE(CtrlF6IsFree(other.Get()));
}

TEST(SnapshotHotKey, CtrlF6ReachesTheWindowAsItsHotKeyMessage) {
  PlainWindow main;
  SnapshotHotKey key;
  ASSERT_TRUE(key.Claim(main.Get()));
  // Keys typed through the system's input queue, as from the keyboard.
  INPUT keys[4] = {};
  for (INPUT& k : keys) k.type = INPUT_KEYBOARD;
  keys[0].ki.wVk = VK_CONTROL;
  keys[1].ki.wVk = VK_F6;
  keys[2].ki.wVk = VK_F6;
  keys[2].ki.dwFlags = KEYEVENTF_KEYUP;
  keys[3].ki.wVk = VK_CONTROL;
  keys[3].ki.dwFlags = KEYEVENTF_KEYUP;
  ASSERT_EQ(SendInput(4, keys, sizeof(INPUT)), 4u);
  MSG msg{};
  bool got = false;
  for (int i = 0; i < 100 && !got; ++i) {
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_HOTKEY) {
        got = true;
        EXPECT_EQ(msg.hwnd, main.Get());
        EXPECT_EQ(msg.wParam, static_cast<WPARAM>(SnapshotHotKey::kId));
        EXPECT_EQ(HIWORD(msg.lParam), VK_F6);
        EXPECT_EQ(LOWORD(msg.lParam), MOD_CONTROL);
      }
      DispatchMessageA(&msg);
    }
    if (!got) Sleep(20);
  }
  EXPECT_TRUE(got) << "no WM_HOTKEY for Ctrl+F6";
  key.Release();
}
