// Holds a Ctrl+ key, as another program of the desktop would:
//   hold_hotkey <seconds> [F6|F8|F9|F10]   registers Ctrl+F6 (or the key named) and keeps it that
//                                       long (0: gives it back at once)
// Exit code 0 when the key could be registered, 1 when someone else holds it.
#include <windows.h>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
  if (argc != 2 && argc != 3) return 2;
  DWORD seconds = static_cast<DWORD>(std::atoi(argv[1]));
  UINT key = VK_F6;
  if (argc == 3) {
    if (std::strcmp(argv[2], "F8") == 0) {
      key = VK_F8;
    } else if (std::strcmp(argv[2], "F9") == 0) {
      key = VK_F9;
    } else if (std::strcmp(argv[2], "F10") == 0) {
      key = VK_F10;
    } else if (std::strcmp(argv[2], "F6") != 0) {
      return 2;
    }
  }
  if (!RegisterHotKey(nullptr, 1, MOD_CONTROL, key)) return 1;
  DWORD end = GetTickCount() + seconds * 1000;
  MSG msg;
  while (static_cast<LONG>(end - GetTickCount()) > 0) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  }
  UnregisterHotKey(nullptr, 1);
  return 0;
}
