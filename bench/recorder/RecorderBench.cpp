// Records the screen with the recorder's own code (the objects of Vistrel.dll linked in, so that
// the frame loop's stage times can be read) while a full-screen window shows one scene:
//   still    - a slide that never changes (the pointer parked),
//   slide    - the slide with a typing line (a character every 200 ms) and a pointer that moves,
//   changing - a pattern that moves across the whole screen every 15 ms,
//   blink    - the still slide with a square that takes another colour every 200 to 500 ms.
// Usage: vistrel_bench record <scene> <milliseconds> <output.avi> prints
//   "<frames> <milliseconds> <width>x<height> <cpu%> <taken> <grab> <convert> <encode> <write> <wait>
//    <compare> <unchanged> <left out> <below 8000>":
// the frames written according to the AVI index, the recording's length, the share of one
// processor the process used, the frames taken, each stage's milliseconds per frame taken, and
// the frames taken that were unchanged, that the data-rate budget left out and that it wrote
// below the capture's quality. The budget is the one the recording reads from Setup.ini beside
// this program. For "blink" the changes painted go to <output.avi>.changes.txt, one a line:
// milliseconds after the time of the file's position 0, and the colour's red, green and blue.
// vistrel_bench square prints the square's centre ("<x> <y>").
// vistrel_bench grab <scene> <milliseconds> prints "<grabs per second>": the bare grab rate, screen
// to packed DIB and nothing else, on a thread of its own as the capture thread would be.
// vistrel_bench show <scene> <milliseconds> only shows the scene, for a recording made by another
// program (the whole-session benchmark). The scene "none" shows nothing: the screen is whatever
// other programs show, as when the grab rate is measured beside a scene that another process
// paints (in one process the painting and the grab share Wine's GDI and slow each other down).
#include "bench/BenchClock.h"
#include "recorder/Controller.h"
#include "recorder/FrameLoop.h"
#include "recorder/ScreenFrame.h"
#include "recorder/Vistrel.h"
#include "recorder/audio/RecordingLine.h"
#include "recorder/codec/Msvc1Driver.h"

#include <windows.h>
#include <mmsystem.h>
#include <vfw.h>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {
enum Scene { Still, Slide, Changing, Blink, Elsewhere };
Scene scene = Still;
int tick = 0;

// The blinking square: its place, its colours (each held exactly by 16-bit frames) and the
// changes painted so far, with the recorder's clock (timeGetTime) just after each.
constexpr int kSquare = 64;
const COLORREF kSquareColours[] = {RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255), RGB(255, 255, 0),
                                   RGB(0, 255, 255), RGB(255, 0, 255)};
constexpr int kSquareColourCount = sizeof(kSquareColours) / sizeof(kSquareColours[0]);
struct Change {
  DWORD painted;
  int colour;
};
std::vector<Change> changes;
DWORD nextChange = 0;
uint32_t blinkState = 1;

POINT SquareCentre() { return {GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) * 3 / 5}; }

void PaintSquare(HWND window, int colour) {
  const POINT centre = SquareCentre();
  RECT square = {centre.x - kSquare / 2, centre.y - kSquare / 2, centre.x + kSquare / 2, centre.y + kSquare / 2};
  HDC dc = GetDC(window);
  HBRUSH brush = CreateSolidBrush(kSquareColours[colour]);
  FillRect(dc, &square, brush);
  DeleteObject(brush);
  ReleaseDC(window, dc);
  GdiFlush();
}

// A change at 200 to 500 ms after the last, at times that do not follow the recorder's pace.
void BlinkIfDue(HWND window) {
  const DWORD now = timeGetTime();
  if (nextChange != 0 && static_cast<LONG>(now - nextChange) < 0) return;
  blinkState = blinkState * 1664525u + 1013904223u;
  const int colour = changes.empty() ? 0 : (changes.back().colour + 1 + int((blinkState >> 16) % (kSquareColourCount - 1))) % kSquareColourCount;
  PaintSquare(window, colour);
  changes.push_back({timeGetTime(), colour});
  nextChange = now + 200 + (blinkState >> 8) % 300;
}
const char kTyping[] =
    "The recorder writes every frame at the position of the moment it was taken, so playback "
    "runs at the speed of the lecture however many frames the machine manages. ";

void PaintSlide(HDC dc, const RECT& client) {
  FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  RECT title = {0, 0, client.right, client.bottom / 8};
  HBRUSH band = CreateSolidBrush(RGB(30, 60, 140));
  FillRect(dc, &title, band);
  DeleteObject(band);
  SetBkMode(dc, TRANSPARENT);
  HFONT big = CreateFontA(client.bottom / 14, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0,
                          ANTIALIASED_QUALITY, 0, "Arial");
  HFONT old = static_cast<HFONT>(SelectObject(dc, big));
  SetTextColor(dc, RGB(255, 255, 255));
  TextOutA(dc, client.right / 20, client.bottom / 40, "Lecture 7: Signals and Systems", 30);
  SelectObject(dc, old);
  DeleteObject(big);
  HFONT body = CreateFontA(client.bottom / 28, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0,
                           ANTIALIASED_QUALITY, 0, "Arial");
  old = static_cast<HFONT>(SelectObject(dc, body));
  SetTextColor(dc, RGB(20, 20, 20));
  const char* bullets[] = {"- Sampling and the Nyquist rate", "- Aliasing in practice",
                           "- Reconstruction filters", "- Worked example: audio at 22050 Hz"};
  for (int i = 0; i < 4; ++i)
    TextOutA(dc, client.right / 12, client.bottom / 5 + i * client.bottom / 12, bullets[i],
             static_cast<int>(strlen(bullets[i])));
  if (scene == Slide) {
    int shown = (tick / 13) % static_cast<int>(sizeof(kTyping) - 1);
    TextOutA(dc, client.right / 12, client.bottom * 3 / 4, kTyping, shown > 90 ? 90 : shown);
  }
  SelectObject(dc, old);
  DeleteObject(body);
}

void PaintChanging(HDC dc, const RECT& client) {
  // Diagonal colour bands that move 7 pixels per repaint: every block changes.
  for (int x = -client.bottom; x < client.right; x += 16) {
    int shift = (tick * 7) % 16;
    HBRUSH brush = CreateSolidBrush(RGB((x * 3 + tick) & 255, (x + tick * 5) & 255, (x * 7) & 255));
    POINT band[4] = {{x + shift, 0}, {x + shift + 16, 0}, {x + shift + 16 + client.bottom, client.bottom},
                     {x + shift + client.bottom, client.bottom}};
    HRGN region = CreatePolygonRgn(band, 4, WINDING);
    FillRgn(dc, region, brush);
    DeleteObject(region);
    DeleteObject(brush);
  }
}

LRESULT CALLBACK SceneProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(window, &paint);
      RECT client;
      GetClientRect(window, &client);
      if (scene == Changing) PaintChanging(dc, client); else PaintSlide(dc, client);
      EndPaint(window, &paint);
      if (scene == Blink && !changes.empty()) PaintSquare(window, changes.back().colour);
      return 0;
    }
    case WM_TIMER: {
      if (wParam == 2) {
        BlinkIfDue(window);
        return 0;
      }
      ++tick;
      if (scene == Changing || (scene == Slide && tick % 13 == 0)) InvalidateRect(window, nullptr, FALSE);
      if (scene == Slide) {
        int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
        SetCursorPos(w / 4 + (tick * 3) % (w / 2), h / 2 + (tick % 50));
      }
      return 0;
    }
    case WM_ERASEBKGND:
      return 1;
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
    // A scene that repaints all the time never runs out of messages: the clock ends the pump.
    while (static_cast<LONG>(end - GetTickCount()) > 0 && PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
      DispatchMessageA(&message);
  }
}

// Frames with data in the AVI's video stream, and the stream's length in milliseconds.
bool CountFrames(const char* path, long* frames, long* milliseconds) {
  AVIFileInit();
  PAVISTREAM stream = nullptr;
  bool ok = AVIStreamOpenFromFileA(&stream, path, streamtypeVIDEO, 0, OF_READ, nullptr) == 0;
  if (ok) {
    *frames = 0;
    LONG end = AVIStreamEnd(stream);
    for (LONG pos = AVIStreamStart(stream); pos < end; ++pos) {
      LONG bytes = 0;
      if (AVIStreamRead(stream, pos, 1, nullptr, 0, &bytes, nullptr) == 0 && bytes > 0) ++*frames;
    }
    *milliseconds = AVIStreamLengthTime(stream);
    AVIStreamRelease(stream);
  }
  AVIFileExit();
  return ok;
}

std::atomic<bool> grabbing{false};
std::atomic<long> grabs{0};

DWORD WINAPI GrabLoop(void*) {
  ScreenGrabber grabber(0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
  while (grabbing) {
    if (!grabber.Grab()) return 1;
    ++grabs;
  }
  return 0;
}

int Record(const char* path, DWORD milliseconds, int width, int height, HWND window) {
  const double processorStart = ProcessSeconds(), wallStart = WallSeconds();
  OnRecord(window, path, 0);
  if (scene == Blink) SetTimer(window, 2, 5, nullptr);
  PumpFor(milliseconds);
  OnStop();
  if (scene == Blink) KillTimer(window, 2);
  while (!WaitForVistrelIdle(0)) PumpFor(20);
  const double cpu = 100.0 * (ProcessSeconds() - processorStart) / (WallSeconds() - wallStart);
  long frames = 0, length = 0;
  if (!CountFrames(path, &frames, &length)) return 1;
  const FrameLoopStages& stages = LastFrameLoopStages();
  const double perFrame = stages.frames ? 1000.0 / stages.frames : 0;
  printf("%ld %ld %dx%d %.0f %lu %.2f %.2f %.2f %.2f %.2f %.2f %lu %lu %lu\n", frames, length, width, height, cpu,
         static_cast<unsigned long>(stages.frames), stages.grab * perFrame, stages.convert * perFrame,
         stages.encode * perFrame, stages.write * perFrame, stages.wait * perFrame, stages.compare * perFrame,
         static_cast<unsigned long>(stages.unchanged), static_cast<unsigned long>(stages.leftOut),
         static_cast<unsigned long>(stages.belowCapture));
  if (scene == Blink) {
    // The changes, for run.sh to find in the decoded file: the milliseconds from the loop's start
    // (the time of position 0) and the colour.
    FILE* list = fopen((std::string(path) + ".changes.txt").c_str(), "w");
    if (!list) return 1;
    for (const Change& change : changes) {
      const COLORREF colour = kSquareColours[change.colour];
      fprintf(list, "%ld %d %d %d\n", static_cast<long>(change.painted - stages.startMs), GetRValue(colour),
              GetGValue(colour), GetBValue(colour));
    }
    fclose(list);
  }
  return 0;
}

int Grab(DWORD milliseconds) {
  grabbing = true;
  HANDLE thread = CreateThread(nullptr, 0, GrabLoop, nullptr, 0, nullptr);
  if (!thread) return 1;
  PumpFor(200);  // the first grabs set up the DCs and the block
  const long startGrabs = grabs;
  const double start = WallSeconds();
  PumpFor(milliseconds);
  const long counted = grabs - startGrabs;
  const double seconds = WallSeconds() - start;
  grabbing = false;
  WaitForSingleObject(thread, INFINITE);
  CloseHandle(thread);
  printf("%.1f\n", counted / seconds);
  return 0;
}
}  // namespace

int main(int argc, char** argv) {
  const bool record = argc == 5 && strcmp(argv[1], "record") == 0;
  const bool grab = argc == 4 && strcmp(argv[1], "grab") == 0;
  const bool show = argc == 4 && strcmp(argv[1], "show") == 0;
  if (argc == 2 && strcmp(argv[1], "square") == 0) {
    const POINT centre = SquareCentre();
    printf("%ld %ld\n", static_cast<long>(centre.x), static_cast<long>(centre.y));
    return 0;
  }
  if (!record && !grab && !show) {
    fprintf(stderr, "usage: %s record still|slide|changing|blink milliseconds output.avi\n"
                    "       %s grab|show still|slide|changing milliseconds\n", argv[0], argv[0]);
    return 2;
  }
  scene = strcmp(argv[2], "changing") == 0 ? Changing
          : strcmp(argv[2], "slide") == 0    ? Slide
          : strcmp(argv[2], "blink") == 0    ? Blink
          : strcmp(argv[2], "none") == 0     ? Elsewhere
                                             : Still;
  const DWORD milliseconds = static_cast<DWORD>(atoi(argv[3]));
  // What Vistrel.dll does when it is loaded and unloaded.
  if (!CreateCaptureIdleEvent()) return 1;
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = SceneProc;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = "VistrelBenchScene";
  RegisterClassA(&windowClass);
  int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
  HWND window = nullptr;
  if (scene != Elsewhere) {
    window = CreateWindowExA(WS_EX_TOPMOST, "VistrelBenchScene", "", WS_POPUP | WS_VISIBLE, 0, 0,
                             width, height, nullptr, nullptr, windowClass.hInstance, nullptr);
    SetCursorPos(width - 40, height - 40);
    UpdateWindow(window);
    if (scene == Slide || scene == Changing) SetTimer(window, 1, 15, nullptr);
  }
  PumpFor(500);
  int result = 0;
  if (record) {
    result = Record(argv[4], milliseconds, width, height, window);
  } else if (grab) {
    result = Grab(milliseconds);
  } else {
    PumpFor(milliseconds);
  }
  ReleaseAudioSide();
  RemoveMsvc1Compressor();
  CloseCaptureIdleEvent();
  return result;
}
