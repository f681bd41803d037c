#include "mainwnd/HotKey.h"

bool HotKey::Claim(HWND window) {
  if (window_) return true;
  if (!RegisterHotKey(window, id_, modifiers_, key_)) return false;
  window_ = window;
  return true;
}

void HotKey::Release() {
  if (!window_) return;
  UnregisterHotKey(window_, id_);
  window_ = nullptr;
}
