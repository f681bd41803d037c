// Posts a message to Lumora's main window from outside, as a button or menu would:
//   post_to_lumora command <id>     WM_COMMAND with the id (for example 1002, record/stop)
//   post_to_lumora close            WM_CLOSE (the exit question)
//   post_to_lumora restore          brings the minimised window back
//   post_to_lumora minimised        asks only: exit code 0 when the window is minimised
// Exit code 0 when the window was found and the message posted.
#include <windows.h>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  HWND main = FindWindowA(nullptr, "Lumora会议记录系统");
  if (!main) return 1;
  if (std::strcmp(argv[1], "command") == 0 && argc == 3) {
    return PostMessageA(main, WM_COMMAND, MAKEWPARAM(atoi(argv[2]), BN_CLICKED), 0) ? 0 : 1;
  }
  if (std::strcmp(argv[1], "close") == 0) return PostMessageA(main, WM_CLOSE, 0, 0) ? 0 : 1;
  if (std::strcmp(argv[1], "restore") == 0) return ShowWindow(main, SW_RESTORE), 0;
  if (std::strcmp(argv[1], "minimised") == 0) return IsIconic(main) ? 0 : 1;
  return 2;
}
