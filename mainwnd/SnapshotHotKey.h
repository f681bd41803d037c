// The system-wide snapshot key, Ctrl+F6: held by the main window while a recording runs, when
// the window is minimised and the teacher works in other programs.
#pragma once
#include <windows.h>

class SnapshotHotKey {
public:
  // The WM_HOTKEY identifier of the snapshot key.
  static constexpr int kId = 1;

  SnapshotHotKey() = default;
  ~SnapshotHotKey() { Release(); }
  SnapshotHotKey(const SnapshotHotKey&) = delete;
  SnapshotHotKey& operator=(const SnapshotHotKey&) = delete;

  // Registers Ctrl+F6 for `window`; false when another program holds the key (F6 in the window
  // still works then). Registering again while held does nothing.
  bool Claim(HWND window);
  // Gives the key back; nothing when it is not held.
  void Release();
  bool Held() const { return window_ != nullptr; }

private:
  HWND window_ = nullptr;
};
