// A slide show for the end-to-end checks: a topmost window over the whole primary screen shows
// slide 1 of five; a click shows the next. Each slide has a background colour
// of its own (exact in 16-bit pictures), its number in large letters and bars of its own. The
// pointer never rests: a thread moves it round a circle in the middle of the screen, a step every
// 20 ms (so that a click, wherever the pointer is, lands on the show).
//   slide_show <seconds to stay up>
#include <windows.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {
const COLORREF kBackgrounds[5] = {RGB(0, 0, 128), RGB(0, 128, 0), RGB(128, 0, 0), RGB(128, 0, 128), RGB(0, 128, 128)};
int shown = 0;

LRESULT CALLBACK Procedure(HWND window, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(window, &paint);
      RECT client;
      GetClientRect(window, &client);
      HBRUSH background = CreateSolidBrush(kBackgrounds[shown]);
      FillRect(dc, &client, background);
      DeleteObject(background);
      for (int bar = 0; bar <= shown + 2; ++bar) {
        RECT line = {client.right / 8, client.bottom / 3 + bar * client.bottom / 14,
                     client.right / 8 + client.right * (3 + (bar * 5 + shown * 3) % 5) / 10,
                     client.bottom / 3 + bar * client.bottom / 14 + client.bottom / 30};
        FillRect(dc, &line, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
      }
      HFONT font = CreateFontA(client.bottom / 8, 0, 0, 0, FW_BOLD, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, "Arial");
      HGDIOBJ old = SelectObject(dc, font);
      SetBkMode(dc, TRANSPARENT);
      SetTextColor(dc, RGB(255, 255, 255));
      char title[32];
      std::snprintf(title, sizeof(title), "Slide %d", shown + 1);
      RECT top = {0, 0, client.right, client.bottom / 3};
      DrawTextA(dc, title, -1, &top, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
      SelectObject(dc, old);
      DeleteObject(font);
      EndPaint(window, &paint);
      return 0;
    }
    case WM_LBUTTONDOWN:
      if (shown < 4) ++shown;
      InvalidateRect(window, nullptr, FALSE);
      return 0;
    case WM_TIMER:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcA(window, msg, wp, lp);
}

DWORD WINAPI MovePointer(void*) {
  const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
  for (int step = 0;; ++step) {
    const double angle = step * 0.04;
    SetCursorPos(static_cast<int>(width / 2 + width / 3 * std::cos(angle)),
                 static_cast<int>(height / 2 + height / 3 * std::sin(angle)));
    Sleep(20);
  }
}
}  // namespace

int main(int argc, char** argv) {
  const int seconds = argc > 1 ? std::atoi(argv[1]) : 60;
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = Procedure;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  windowClass.lpszClassName = "LumoraTestSlideShow";
  RegisterClassA(&windowClass);
  HWND window = CreateWindowExA(WS_EX_TOPMOST, windowClass.lpszClassName, "Slide show", WS_POPUP, 0, 0,
                                GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), nullptr, nullptr,
                                windowClass.hInstance, nullptr);
  ShowWindow(window, SW_SHOW);
  UpdateWindow(window);
  SetForegroundWindow(window);
  SetTimer(window, 1, static_cast<UINT>(seconds) * 1000, nullptr);
  CloseHandle(CreateThread(nullptr, 0, MovePointer, nullptr, 0, nullptr));
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return 0;
}
