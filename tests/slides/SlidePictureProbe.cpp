// Writes the screen as a slide picture, as the recorder does: a full-screen window of colour
// gradients, the pointer over it, one frame grabbed with the pointer drawn in, and the same frame
// without the pointer written through the imaging component. For check_slide_picture.sh, which
// compares both with a screenshot.
// Usage: slide_picture_probe <without pointer.png> <with pointer.png> <milliseconds to stay up>
// Prints: <pointer left> <top> <right> <bottom> of the pointer's place in the picture.
#include "recorder/PackedDib.h"
#include "recorder/ScreenFrame.h"
#include "recorder/slides/SlidePicture.h"

#include <windows.h>
#include <objbase.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {
std::vector<uint8_t> gradient;
BITMAPINFOHEADER gradientHeader = {};

LRESULT CALLBACK GradientProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_PAINT) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    SetDIBitsToDevice(dc, 0, 0, gradientHeader.biWidth, -gradientHeader.biHeight, 0, 0, 0, -gradientHeader.biHeight,
                      gradient.data(), reinterpret_cast<BITMAPINFO*>(&gradientHeader), DIB_RGB_COLORS);
    EndPaint(window, &paint);
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

void Pump(DWORD milliseconds) {
  const DWORD start = GetTickCount();
  do {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
    Sleep(10);
  } while (GetTickCount() - start < milliseconds);
}
}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) return 2;
  CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
  // Top-down 32-bit rows: red across, green down, blue in a pattern, so that a flipped, shifted
  // or channel-swapped picture shows.
  gradientHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB};
  gradient.resize(size_t(width) * height * 4);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      uint8_t* p = &gradient[(size_t(y) * width + x) * 4];
      p[0] = static_cast<uint8_t>((x ^ y) * 7);
      p[1] = static_cast<uint8_t>(y * 255 / height);
      p[2] = static_cast<uint8_t>(x * 255 / width);
    }
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = GradientProc;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = "SlidePictureProbe";
  RegisterClassA(&windowClass);
  HWND window = CreateWindowExA(WS_EX_TOPMOST, "SlidePictureProbe", "", WS_POPUP, 0, 0, width, height, nullptr,
                                nullptr, GetModuleHandleA(nullptr), nullptr);
  ShowWindow(window, SW_SHOW);
  UpdateWindow(window);
  SetCursorPos(width / 3, height / 2);
  Pump(500);

  ScreenGrabber grabber(0, 0, width, height);
  BITMAPINFOHEADER* frame = grabber.Grab();
  if (!frame) return 3;
  const PictureShape shape = {width, height, DibRowBytes(width, 16)};
  const uint8_t* pixels = DibPixels(frame);
  std::vector<uint8_t> withoutPointer(pixels, pixels + shape.stride * height);
  grabber.RemovePointer(withoutPointer.data());
  if (!WriteSlidePicture(argv[1], withoutPointer.data(), shape)) return 4;
  if (!WriteSlidePicture(argv[2], pixels, shape)) return 5;
  const RECT place = grabber.PointerRect();
  std::printf("%ld %ld %ld %ld\n", place.left, place.top, place.right, place.bottom);
  std::fflush(stdout);
  Pump(static_cast<DWORD>(std::atoi(argv[3])));
  DestroyWindow(window);
  CoUninitialize();
  return 0;
}
