#include "lessons/PackageProgress.h"


#include <commctrl.h>

const char kPackageProgressClass[] = "LumoraPackageProgress";

namespace {
constexpr int kWidth = 340;
constexpr int kHeight = 130;
constexpr DWORD kStepMilliseconds = 50;
constexpr int kBarRange = 100;
constexpr int kBarStep = 2;

LRESULT CALLBACK ProgressWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  // The window goes when the archiver ends, not before: closing it would not stop the work.
  if (msg == WM_CLOSE) return 0;
  if (msg == WM_CTLCOLORSTATIC) {
    SetBkMode(reinterpret_cast<HDC>(wp), TRANSPARENT);
    return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
  }
  return DefWindowProcA(hwnd, msg, wp, lp);
}

void RegisterProgressClass() {
  static bool registered = false;
  if (registered) return;
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = ProgressWindowProc;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.hCursor = LoadCursorA(nullptr, IDC_WAIT);
  windowClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
  windowClass.lpszClassName = kPackageProgressClass;
  registered = RegisterClassA(&windowClass) != 0;
}

HWND CreateProgressWindow(HWND owner, const std::string& archivePath) {
  RegisterProgressClass();
  INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&controls);

  RECT area;
  if (!owner || !GetWindowRect(owner, &area)) SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
  int x = (area.left + area.right - kWidth) / 2, y = (area.top + area.bottom - kHeight) / 2;
  // A caption without a close box: the window cannot be dismissed while the work goes on.
  HWND window = CreateWindowExA(WS_EX_DLGMODALFRAME, kPackageProgressClass, "加密",
                                WS_POPUP | WS_CAPTION | WS_BORDER, x, y, kWidth, kHeight, owner,
                                nullptr, GetModuleHandleA(nullptr), nullptr);
  if (!window) return nullptr;
  RECT client;
  GetClientRect(window, &client);
  int width = client.right - 24;
  HFONT font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  // Two lines: the path is shortened in its middle when it is too long for the window.
  HWND message = CreateWindowExA(0, "STATIC", "正在打包课程，请稍候……", WS_CHILD | WS_VISIBLE | SS_LEFT,
                                 12, 10, width, 18, window, nullptr, GetModuleHandleA(nullptr), nullptr);
  HWND path = CreateWindowExA(0, "STATIC", archivePath.c_str(), WS_CHILD | WS_VISIBLE | SS_LEFT | SS_PATHELLIPSIS,
                              12, 30, width, 18, window, nullptr, GetModuleHandleA(nullptr), nullptr);
  HWND bar = CreateWindowExA(0, PROGRESS_CLASSA, "", WS_CHILD | WS_VISIBLE, 12, 56, width, 18, window,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(kPackageProgressBarId)),
                             GetModuleHandleA(nullptr), nullptr);
  SendMessageA(message, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  SendMessageA(path, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  SendMessageA(bar, PBM_SETRANGE32, 0, kBarRange);
  ShowWindow(window, SW_SHOWNORMAL);
  UpdateWindow(window);
  return window;
}

// The bar runs from empty to full and starts again: the archiver tells nothing about how far
// it is, so the bar only shows that the work goes on. (PBS_MARQUEE would need version 6 of
// the common controls, which the program does not ask for.)
void StepBar(HWND window) {
  HWND bar = GetDlgItem(window, kPackageProgressBarId);
  int position = static_cast<int>(SendMessageA(bar, PBM_GETPOS, 0, 0)) + kBarStep;
  SendMessageA(bar, PBM_SETPOS, position > kBarRange ? 0 : position, 0);
}
}  // namespace

void WaitShowingProgress(HANDLE waitable, HWND owner, const std::string& archivePath) {
  bool ownerWasEnabled = owner && IsWindowEnabled(owner);
  if (ownerWasEnabled) EnableWindow(owner, FALSE);
  HWND window = CreateProgressWindow(owner, archivePath);

  bool quit = false;
  WPARAM quitCode = 0;
  DWORD lastStep = GetTickCount();
  for (;;) {
    DWORD woken = MsgWaitForMultipleObjects(1, &waitable, FALSE, kStepMilliseconds, QS_ALLINPUT);
    if (woken == WAIT_OBJECT_0 || woken == WAIT_FAILED) break;
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {
        quit = true;
        quitCode = msg.wParam;
        continue;
      }
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    if (window && GetTickCount() - lastStep >= kStepMilliseconds) {
      StepBar(window);
      lastStep = GetTickCount();
    }
  }

  // The owner is enabled before its owned window goes, so that activation returns to it.
  if (ownerWasEnabled) EnableWindow(owner, TRUE);
  if (window) DestroyWindow(window);
  if (owner) SetActiveWindow(owner);
  if (quit) PostQuitMessage(static_cast<int>(quitCode));
}
