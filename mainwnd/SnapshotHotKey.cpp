#include "mainwnd/SnapshotHotKey.h"

bool SnapshotHotKey::Claim(HWND window) {
  if (window_) return true;
  if (!RegisterHotKey(window, kId, MOD_CONTROL, VK_F6)) return false;
  window_ = window;
  return true;
}

void SnapshotHotKey::Release() {
  if (!window_) return;
  UnregisterHotKey(window_, kId);
  window_ = nullptr;
}
