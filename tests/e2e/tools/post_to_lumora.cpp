// Posts a message to Lumora's main window from outside, as a button or menu would:
//   post_to_lumora command <id>     WM_COMMAND with the id (for example 1002, record/stop)
//   post_to_lumora close            WM_CLOSE (the exit question)
//   post_to_lumora restore          brings the minimised window back
//   post_to_lumora minimised        asks only: exit code 0 when the window is minimised
//   post_to_lumora minimise         minimises the window, as its caption button does
//   post_to_lumora tray <event>     the notification icon's callback as the shell sends it, for
//                                   <event> menu, doubleclick or balloonclick
//   post_to_lumora title            prints the main window's title
//   post_to_lumora meter            prints the microphone meter's position (0 to 100)
//   post_to_lumora text <id>        prints the text of a control of the main window
//   post_to_lumora balloons         prints the text of every tooltip or balloon shown on the
//                                   screen (the notification area's included), one a line
//   post_to_lumora responds         exit code 0 when the window answers a message within 2 s
//   post_to_lumora rows             prints the lesson list's rows, one a line
// and works the controls of a dialog of Lumora's, found by its caption, as a user would:
//   post_to_lumora dialog <caption> rect <id>           prints the control's screen box "x y w h"
//   post_to_lumora dialog <caption> text <id>           prints its text (a drop-down list: the chosen item)
//   post_to_lumora dialog <caption> enabled <id>        prints 1 or 0
//   post_to_lumora dialog <caption> checked <id>        prints 1 or 0
//   post_to_lumora dialog <caption> position <id>       prints a progress bar's position
//   post_to_lumora dialog <caption> settext <id> <text> types a text into an edit
//   post_to_lumora dialog <caption> select <id> <index> chooses an item of a drop-down list
// Texts are in the ANSI code page. Exit code 0 when the window was found and the message posted
// or sent.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {
// The notification icon's callback message (mainwnd/TrayIcon.h) and its icon id.
constexpr UINT kTrayCallback = WM_APP + 0x40;
constexpr WPARAM kTrayIconId = 1;
constexpr char kTitle[] = "Lumora会议记录系统";

BOOL CALLBACK MatchMainWindow(HWND window, LPARAM found) {
  // During a recording the title starts with the state and the time: "录制中 00:00:05 - Lumora会议记录系统".
  char title[256] = {};
  char className[32] = {};
  GetWindowTextA(window, title, sizeof(title));
  GetClassNameA(window, className, sizeof(className));
  size_t length = std::strlen(title), tail = std::strlen(kTitle);
  if (std::strcmp(className, "#32770") == 0 && length >= tail && std::strcmp(title + length - tail, kTitle) == 0 &&
      (length == tail || std::strncmp(title + length - tail - 3, " - ", 3) == 0)) {
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
  }
  return TRUE;
}

BOOL CALLBACK PrintShownTooltip(HWND window, LPARAM) {
  char className[32] = {};
  GetClassNameA(window, className, sizeof(className));
  if (std::strcmp(className, TOOLTIPS_CLASSA) == 0 && IsWindowVisible(window)) {
    // A tooltip answers WM_GETTEXT with the text it shows, also across processes.
    char text[512] = {};
    SendMessageA(window, WM_GETTEXT, sizeof(text), reinterpret_cast<LPARAM>(text));
    std::printf("%s\n", text);
  }
  return TRUE;
}

// Lumora's main window, whatever its title tells of a recording.
HWND FindMainWindow() {
  HWND found = nullptr;
  EnumWindows(MatchMainWindow, reinterpret_cast<LPARAM>(&found));
  return found;
}

// The dialog's window of the caption that belongs to Lumora.exe's process (the main window's).
HWND FindDialog(const char* caption) {
  HWND main = FindMainWindow();
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
  if (std::strcmp(verb, "position") == 0)
    return std::printf("%d\n", static_cast<int>(SendMessageA(control, PBM_GETPOS, 0, 0))), 0;
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

// The rows of the main window's lesson list (1082), read through memory in Lumora's process.
int PrintRows(HWND main) {
  HWND list = GetDlgItem(main, 1082);
  DWORD processId = 0;
  GetWindowThreadProcessId(main, &processId);
  HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, processId);
  if (!list || !process) return 1;
  constexpr SIZE_T kText = 1024;
  auto* remote = static_cast<char*>(VirtualAllocEx(process, nullptr, sizeof(LVITEMA) + kText, MEM_COMMIT, PAGE_READWRITE));
  int rows = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
  for (int row = 0; remote && row < rows; ++row) {
    LVITEMA item = {};
    item.pszText = remote + sizeof(LVITEMA);
    item.cchTextMax = kText;
    char text[kText] = {};
    if (!WriteProcessMemory(process, remote, &item, sizeof(item), nullptr)) break;
    SendMessageA(list, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(remote));
    ReadProcessMemory(process, remote + sizeof(LVITEMA), text, kText - 1, nullptr);
    std::printf("%s\n", text);
  }
  if (remote) VirtualFreeEx(process, remote, 0, MEM_RELEASE);
  CloseHandle(process);
  return remote ? 0 : 1;
}
}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  if (std::strcmp(argv[1], "dialog") == 0) return WorkDialog(argc, argv);
  if (std::strcmp(argv[1], "balloons") == 0) return EnumWindows(PrintShownTooltip, 0), 0;
  HWND main = FindMainWindow();
  if (!main) return 1;
  if (std::strcmp(argv[1], "command") == 0 && argc == 3) {
    return PostMessageA(main, WM_COMMAND, MAKEWPARAM(atoi(argv[2]), BN_CLICKED), 0) ? 0 : 1;
  }
  if (std::strcmp(argv[1], "close") == 0) return PostMessageA(main, WM_CLOSE, 0, 0) ? 0 : 1;
  if (std::strcmp(argv[1], "restore") == 0) return ShowWindow(main, SW_RESTORE), 0;
  if (std::strcmp(argv[1], "minimised") == 0) return IsIconic(main) ? 0 : 1;
  if (std::strcmp(argv[1], "minimise") == 0) return PostMessageA(main, WM_SYSCOMMAND, SC_MINIMIZE, 0) ? 0 : 1;
  if (std::strcmp(argv[1], "title") == 0) {
    char title[256] = {};
    GetWindowTextA(main, title, sizeof(title));
    return std::printf("%s\n", title), 0;
  }
  if (std::strcmp(argv[1], "meter") == 0)
    return std::printf("%d\n", static_cast<int>(SendDlgItemMessageA(main, 1060, PBM_GETPOS, 0, 0))), 0;
  if (std::strcmp(argv[1], "text") == 0 && argc == 3) {
    char text[512] = {};
    GetDlgItemTextA(main, atoi(argv[2]), text, sizeof(text));
    return std::printf("%s\n", text), 0;
  }
  if (std::strcmp(argv[1], "tray") == 0 && argc == 3) {
    LPARAM event = std::strcmp(argv[2], "menu") == 0          ? WM_CONTEXTMENU
                   : std::strcmp(argv[2], "doubleclick") == 0 ? WM_LBUTTONDBLCLK
                   : std::strcmp(argv[2], "balloonclick") == 0 ? NIN_BALLOONUSERCLICK
                                                               : 0;
    return event && PostMessageA(main, kTrayCallback, kTrayIconId, event) ? 0 : 1;
  }
  if (std::strcmp(argv[1], "responds") == 0) {
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(main, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, &result) ? 0 : 1;
  }
  if (std::strcmp(argv[1], "rows") == 0) return PrintRows(main);
  return 2;
}
