// A system-wide key of the main window (RegisterHotKey): it reaches the window as WM_HOTKEY with
// its id whichever program has the keyboard, so the teacher can work Lumora from a slide show.
// A key that another program holds is not taken; the window's own keys still work then.
#pragma once
#include <windows.h>

// The WM_HOTKEY ids of the main window's keys.
constexpr int kSnapshotHotKeyId = 1;  // Ctrl+F6, while a recording runs
constexpr int kPauseHotKeyId = 2;     // Ctrl+F9, while Lumora runs: record, pause, resume
constexpr int kStopHotKeyId = 3;      // Ctrl+F10, while Lumora runs: stop
constexpr int kMarkHotKeyId = 4;      // Ctrl+F8, while a recording runs: mark the slide

class HotKey {
public:
  HotKey(int id, UINT modifiers, UINT key) : id_(id), modifiers_(modifiers), key_(key) {}
  ~HotKey() { Release(); }
  HotKey(const HotKey&) = delete;
  HotKey& operator=(const HotKey&) = delete;

  // Registers the key for `window`; false when another program holds it. Registering again
  // while held does nothing.
  bool Claim(HWND window);
  // Gives the key back; nothing when it is not held.
  void Release();
  bool Held() const { return window_ != nullptr; }
  int Id() const { return id_; }

private:
  int id_;
  UINT modifiers_;
  UINT key_;
  HWND window_ = nullptr;
};
