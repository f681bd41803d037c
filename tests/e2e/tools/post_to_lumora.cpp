// Posts a message to Lumora's main window from outside, as a button or menu would:
//   post_to_lumora command <id>     WM_COMMAND with the id (for example 1002, record/stop)
//   post_to_lumora close            WM_CLOSE (the exit question)
//   post_to_lumora restore          brings the minimised window back
//   post_to_lumora minimised        asks only: exit code 0 when the window is minimised
// and works the controls of a dialog of Lumora's, found by its caption, as a user would:
//   post_to_lumora dialog <caption> rect <id>           prints the control's screen box "x y w h"
//   post_to_lumora dialog <caption> text <id>           prints its text (a drop-down list: the chosen item)
//   post_to_lumora dialog <caption> enabled <id>        prints 1 or 0
//   post_to_lumora dialog <caption> checked <id>        prints 1 or 0
//   post_to_lumora dialog <caption> settext <id> <text> types a text into an edit
//   post_to_lumora dialog <caption> select <id> <index> chooses an item of a drop-down list
// Texts are in the ANSI code page. Exit code 0 when the window was found and the message posted
// or sent.
#include <windows.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {
// The dialog's window of the caption that belongs to Lumora.exe's process (the main window's).
HWND FindDialog(const char* caption) {
  HWND main = FindWindowA(nullptr, "Lumora会议记录系统");
  if (!main) return nullptr;
  DWORD lumora = 0;
  GetWindowThreadProcessId(main, &lumora);
  for (HWND window = FindWindowExA(nullptr, nullptr, "#32770", caption); window;
       window = FindWindowExA(nullptr, window, "#32770", caption)) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == lumora) return window;
  }
  return nullptr;
}

int WorkDialog(int argc, char** argv) {
  if (argc < 5) return 2;
  HWND dialog = FindDialog(argv[2]);
  if (!dialog) return 1;
  int id = atoi(argv[4]);
  HWND control = GetDlgItem(dialog, id);
  if (!control) return 1;
  const char* verb = argv[3];
  if (std::strcmp(verb, "rect") == 0) {
    RECT box;
    GetWindowRect(control, &box);
    std::printf("%ld %ld %ld %ld\n", box.left, box.top, box.right - box.left, box.bottom - box.top);
    return 0;
  }
  if (std::strcmp(verb, "text") == 0) {
    char text[512] = {};
    SendMessageA(control, WM_GETTEXT, sizeof(text), reinterpret_cast<LPARAM>(text));
    std::printf("%s\n", text);
    return 0;
  }
  if (std::strcmp(verb, "enabled") == 0) return std::printf("%d\n", IsWindowEnabled(control) ? 1 : 0), 0;
  if (std::strcmp(verb, "checked") == 0)
    return std::printf("%d\n", SendMessageA(control, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0), 0;
  if (std::strcmp(verb, "settext") == 0 && argc == 6) {
    SendMessageA(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(argv[5]));
    return 0;
  }
  if (std::strcmp(verb, "select") == 0 && argc == 6) {
    if (SendMessageA(control, CB_SETCURSEL, atoi(argv[5]), 0) == CB_ERR) return 1;
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(control));
    return 0;
  }
  return 2;
}
}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  if (std::strcmp(argv[1], "dialog") == 0) return WorkDialog(argc, argv);
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
