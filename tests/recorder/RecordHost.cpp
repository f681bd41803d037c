// A host program for the real recording checks: fills the screen with a window of known colour
// bars, records it through the library's exports for a few seconds and waits for the file.
// Usage: vistrel_record_host <output.avi> <milliseconds> <audio source>
// Prints: <screen width> <screen height> <sound bytes forwarded while recording> <milliseconds>
#include "recorder/Vistrel.h"

#include <windows.h>
#include <cstdio>
#include <cstdlib>
#include <mmsystem.h>

extern "C" __declspec(dllimport) LRESULT __stdcall MMWIMDATA(WPARAM, LPARAM);

namespace {
// Bytes of sound handed to the library while the recording ran, and how long that was.
bool recordingPhase = false;
unsigned long deliveredBytes = 0;

// Eight vertical bars of the colours whose channels are 0 or 255 (exact in 16-bit frames).
const COLORREF kBars[8] = {RGB(0, 0, 0),     RGB(255, 0, 0),   RGB(0, 255, 0), RGB(0, 0, 255),
                           RGB(255, 255, 0), RGB(0, 255, 255), RGB(255, 0, 255), RGB(255, 255, 255)};

LRESULT CALLBACK BarsProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(window, &paint);
      RECT client;
      GetClientRect(window, &client);
      for (int i = 0; i < 8; ++i) {
        RECT bar = {client.right * i / 8, 0, client.right * (i + 1) / 8, client.bottom};
        HBRUSH brush = CreateSolidBrush(kBars[i]);
        FillRect(dc, &bar, brush);
        DeleteObject(brush);
      }
      EndPaint(window, &paint);
      return 0;
    }
    case MM_WIM_DATA:
      if (recordingPhase) deliveredBytes += reinterpret_cast<WAVEHDR*>(lParam)->dwBytesRecorded;
      return MMWIMDATA(wParam, lParam);
    case WM_SETCURSOR:
      SetCursor(LoadCursor(nullptr, IDC_ARROW));
      return TRUE;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

void PumpFor(DWORD milliseconds) {
  DWORD end = GetTickCount() + milliseconds;
  for (;;) {
    DWORD now = GetTickCount();
    if (static_cast<LONG>(end - now) <= 0) return;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, end - now, QS_ALLINPUT);
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
  }
}
}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    fprintf(stderr, "usage: %s output.avi milliseconds source\n", argv[0]);
    return 2;
  }
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = BarsProc;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = "VistrelBars";
  RegisterClassA(&windowClass);
  int width = GetSystemMetrics(SM_CXSCREEN);
  int height = GetSystemMetrics(SM_CYSCREEN);
  HWND window = CreateWindowExA(WS_EX_TOPMOST, "VistrelBars", "bars", WS_POPUP | WS_VISIBLE, 0, 0,
                                width, height, nullptr, nullptr, windowClass.hInstance, nullptr);
  UpdateWindow(window);
  // The pointer sits in the middle of the white bar's upper half, where the check looks for it.
  SetCursorPos(width * 15 / 16, height / 4);
  PumpFor(700);

  DWORD started = GetTickCount();
  recordingPhase = true;
  OnRecord(window, argv[1], atoi(argv[3]));
  PumpFor(static_cast<DWORD>(atoi(argv[2])));
  recordingPhase = false;
  OnStop();
  DWORD recordedMs = GetTickCount() - started;
  DWORD start = GetTickCount();
  while (!WaitForVistrelIdle(0)) {
    if (GetTickCount() - start > 60000) {
      fprintf(stderr, "the recording did not finish\n");
      return 1;
    }
    PumpFor(50);
  }
  printf("%d %d %lu %lu\n", width, height, deliveredBytes, static_cast<unsigned long>(recordedMs));
  DestroyWindow(window);
  return 0;
}
