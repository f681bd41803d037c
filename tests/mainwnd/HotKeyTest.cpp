#include "mainwnd/HotKey.h"

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

// True when `window` can take Ctrl+`key` itself, i.e. nobody else holds it; gives it back at once.
bool CtrlKeyIsFree(HWND window, UINT key) {
  if (!RegisterHotKey(window, 77, MOD_CONTROL, key)) return false;
  UnregisterHotKey(window, 77);
  return true;
}

// Types Ctrl+`key` through the system's input queue, as from the keyboard, and returns the
// WM_HOTKEY that arrives (message 0 when none comes).
MSG TypeCtrlKey(UINT key) {
  INPUT keys[4] = {};
  for (INPUT& k : keys) k.type = INPUT_KEYBOARD;
  keys[0].ki.wVk = VK_CONTROL;
  keys[1].ki.wVk = static_cast<WORD>(key);
  keys[2].ki.wVk = static_cast<WORD>(key);
  keys[2].ki.dwFlags = KEYEVENTF_KEYUP;
  keys[3].ki.wVk = VK_CONTROL;
  keys[3].ki.dwFlags = KEYEVENTF_KEYUP;
  MSG got{};
  if (SendInput(4, keys, sizeof(INPUT)) != 4u) return got;
  MSG msg{};
  for (int i = 0; i < 100 && got.message != WM_HOTKEY; ++i) {
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_HOTKEY) got = msg;
      DispatchMessageA(&msg);
    }
    if (got.message != WM_HOTKEY) Sleep(20);
  }
  return got;
}
}  // namespace

TEST(HotKey, HeldWhileClaimedAndFreeAfterRelease) {
  PlainWindow main, other;
  ASSERT_TRUE(CtrlKeyIsFree(other.Get(), VK_F6)) << "another program of this desktop holds Ctrl+F6";
  HotKey key(kSnapshotHotKeyId, MOD_CONTROL, VK_F6);
  ASSERT_TRUE(key.Claim(main.Get()));
  EXPECT_TRUE(key.Held());
  EXPECT_FALSE(CtrlKeyIsFree(other.Get(), VK_F6));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_HOTKEY_ALREADY_REGISTERED));
  // A second claim (a second recording start) keeps the one registration.
  EXPECT_TRUE(key.Claim(main.Get()));
  key.Release();
  EXPECT_FALSE(key.Held());
  EXPECT_TRUE(CtrlKeyIsFree(other.Get(), VK_F6));
  // Released twice (stop, then exit) is harmless.
  key.Release();
  EXPECT_TRUE(CtrlKeyIsFree(other.Get(), VK_F6));
}

TEST(HotKey, HeldByAnotherProgramIsRefusedAndLeftAlone) {
  PlainWindow main, other;
  ASSERT_TRUE(RegisterHotKey(other.Get(), 5, MOD_CONTROL, VK_F9));
  HotKey pause(kPauseHotKeyId, MOD_CONTROL, VK_F9);
  HotKey stop(kStopHotKeyId, MOD_CONTROL, VK_F10);
  EXPECT_FALSE(pause.Claim(main.Get()));
  EXPECT_FALSE(pause.Held());
  // One key held elsewhere does not keep the other from being taken.
  EXPECT_TRUE(stop.Claim(main.Get()));
  // Giving back a key it never got must not take it from its holder.
  pause.Release();
  EXPECT_FALSE(CtrlKeyIsFree(main.Get(), VK_F9));
  UnregisterHotKey(other.Get(), 5);
  // Once free, the key can be taken.
  EXPECT_TRUE(pause.Claim(main.Get()));
  pause.Release();
  stop.Release();
}

TEST(HotKey, GivenBackWhenTheOwnerGoes) {
  PlainWindow main, other;
  {
    HotKey key(kStopHotKeyId, MOD_CONTROL, VK_F10);
    ASSERT_TRUE(key.Claim(main.Get()));
  }
  EXPECT_TRUE(CtrlKeyIsFree(other.Get(), VK_F10));
}

TEST(HotKey, EachKeyReachesTheWindowAsItsOwnHotKeyMessage) {
  PlainWindow main;
  HotKey snapshot(kSnapshotHotKeyId, MOD_CONTROL, VK_F6);
  HotKey pause(kPauseHotKeyId, MOD_CONTROL, VK_F9);
  HotKey stop(kStopHotKeyId, MOD_CONTROL, VK_F10);
  ASSERT_TRUE(snapshot.Claim(main.Get()));
  ASSERT_TRUE(pause.Claim(main.Get()));
  ASSERT_TRUE(stop.Claim(main.Get()));
  const struct {
    UINT key;
    int id;
  } cases[] = {{VK_F9, kPauseHotKeyId}, {VK_F10, kStopHotKeyId}, {VK_F6, kSnapshotHotKeyId}};
  for (const auto& c : cases) {
    MSG msg = TypeCtrlKey(c.key);
    ASSERT_EQ(msg.message, static_cast<UINT>(WM_HOTKEY)) << "no WM_HOTKEY for Ctrl+key " << c.key;
    EXPECT_EQ(msg.hwnd, main.Get());
    EXPECT_EQ(msg.wParam, static_cast<WPARAM>(c.id));
    EXPECT_EQ(HIWORD(msg.lParam), c.key);
    EXPECT_EQ(LOWORD(msg.lParam), MOD_CONTROL);
  }
}
