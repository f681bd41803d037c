// Holds Ctrl+F6, as another program of the desktop would:
//   hold_hotkey <seconds>   registers the key and keeps it that long (0: gives it back at once)
// Exit code 0 when the key could be registered, 1 when someone else holds it.
#include <windows.h>
#include <cstdlib>

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  DWORD seconds = static_cast<DWORD>(std::atoi(argv[1]));
  if (!RegisterHotKey(nullptr, 1, MOD_CONTROL, VK_F6)) return 1;
  DWORD end = GetTickCount() + seconds * 1000;
  MSG msg;
  while (static_cast<LONG>(end - GetTickCount()) > 0) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  }
  UnregisterHotKey(nullptr, 1);
  return 0;
}
