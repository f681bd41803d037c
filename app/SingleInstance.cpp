#include "app/SingleInstance.h"

#include <lmcons.h>

namespace {
const char kMainWindowProperty[] = "Lumora.MainWindow";

BOOL CALLBACK FindMarked(HWND window, LPARAM found) {
  if (!GetPropA(window, kMainWindowProperty)) return TRUE;
  *reinterpret_cast<HWND*>(found) = window;
  return FALSE;
}
}  // namespace

std::string SingleInstanceMutexName() {
  char user[UNLEN + 1] = {};
  DWORD size = sizeof(user);
  if (!GetUserNameA(user, &size)) user[0] = '\0';
  // A backslash is the one character a kernel object's name may not hold.
  std::string name = std::string("Lumora.Running.") + user;
  for (char& c : name)
    if (c == '\\') c = '_';
  return name;
}

bool SingleInstance::Claim() {
  mutex_.Reset(CreateMutexA(nullptr, FALSE, SingleInstanceMutexName().c_str()));
  // Without a mutex at all (no resources) the program runs rather than refuse the teacher.
  if (!mutex_) return true;
  if (GetLastError() != ERROR_ALREADY_EXISTS) return true;
  mutex_.Reset();
  return false;
}

void MarkMainWindow(HWND window) { SetPropA(window, kMainWindowProperty, reinterpret_cast<HANDLE>(1)); }

void UnmarkMainWindow(HWND window) { RemovePropA(window, kMainWindowProperty); }

bool BringMainWindowToFront() {
  HWND main = nullptr;
  EnumWindows(FindMarked, reinterpret_cast<LPARAM>(&main));
  if (!main) return false;
  if (IsIconic(main)) ShowWindow(main, SW_RESTORE);
  SetForegroundWindow(main);
  return true;
}
