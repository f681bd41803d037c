// The title overlay filter's own work per camera frame: DrawFrame, which the streaming thread runs
// for every sample, on 640 x 480 frames of each pixel format, with a still and a scrolling title
// at the settings' default font size. Also the one-off cost of drawing the title's mask with GDI,
// paid again only when the text, font or colour change.
// Usage: title_overlay_bench [frames]; prints one line per format and display type.
#include "overlay/TitleOverlayFilter.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

// The count of live COM objects that the filter's DLL keeps; the filter is linked in here.
namespace dshow {
LONG g_liveObjects = 0;
}

namespace {
constexpr int kWidth = 640;
constexpr int kHeight = 480;
constexpr int kRuns = 5;

struct Format {
  FramePixels pixels;
  const char* name;
  int bytesPerPixel;
  bool bottomUp;
};
const Format kFormats[] = {{FramePixels::Rgb24, "RGB24", 3, true},
                          {FramePixels::Rgb32, "RGB32", 4, true},
                          {FramePixels::Rgb555, "RGB555", 2, true},
                          {FramePixels::Yuy2, "YUY2", 2, false}};

double Now() {
  static LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER count;
  QueryPerformanceCounter(&count);
  return static_cast<double>(count.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// A camera-like picture: gradients, so the blend works on varied bytes.
std::vector<BYTE> Picture(const FrameLayout& layout) {
  std::vector<BYTE> bytes(layout.Bytes());
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<BYTE>((i * 7 + i / layout.stride * 3) & 0xFF);
  return bytes;
}

TitleOverlayFilter* NewFilter(int type) {
  auto* filter = new TitleOverlayFilter();
  const char text[] = "高等数学 第三讲 Lumora";
  filter->SetTitleText(text, static_cast<int>(sizeof(text) - 1));
  LOGFONTA font{};
  filter->GetTitleFont(&font);
  font.lfHeight = 50;
  filter->SetTitleFont(font);
  filter->SetTitleColor(255, 255, 255);
  filter->SetTitleStartPosition(10, kHeight - 100);
  filter->SetTitleType(type);
  return filter;
}

void Release(TitleOverlayFilter* filter) { static_cast<IBaseFilter*>(filter)->Release(); }
}  // namespace

int main(int argc, char** argv) {
  int frames = argc > 1 ? std::atoi(argv[1]) : 600;
  if (frames < 1) frames = 1;
  std::printf("%-7s %-10s %14s %14s\n", "format", "type", "us/frame", "worst run");
  // The first mask of the process also pays for loading the font; later ones show the cost of a change.
  double firstMaskSeconds = -1, maskSeconds = 0;
  for (const Format& format : kFormats) {
    FrameLayout layout;
    layout.pixels = format.pixels;
    layout.width = kWidth;
    layout.height = kHeight;
    layout.stride = (kWidth * format.bytesPerPixel + 3) & ~3;
    layout.bottomUp = format.bottomUp;
    std::vector<BYTE> frame = Picture(layout);
    for (int type : {kTitleStill, kTitleScrolling}) {
      TitleOverlayFilter* filter = NewFilter(type);
      // The first frame draws the mask with GDI; it is timed on its own.
      double start = Now();
      filter->DrawFrame(frame.data(), frame.size(), layout);
      double seconds = Now() - start;
      if (firstMaskSeconds < 0) firstMaskSeconds = seconds;
      else maskSeconds = std::max(maskSeconds, seconds);
      std::vector<double> perFrame;
      for (int run = 0; run < kRuns; ++run) {
        start = Now();
        for (int i = 0; i < frames; ++i) filter->DrawFrame(frame.data(), frame.size(), layout);
        perFrame.push_back((Now() - start) / frames * 1e6);
      }
      std::sort(perFrame.begin(), perFrame.end());
      std::printf("%-7s %-10s %14.1f %14.1f\n", format.name, type == kTitleStill ? "still" : "scrolling",
                  perFrame[kRuns / 2], perFrame.back());
      Release(filter);
    }
  }
  std::printf("mask drawn with GDI (once per change of text, font or colour): %.1f us at most; "
              "the process's first, with the font loaded: %.1f us\n",
              maskSeconds * 1e6, firstMaskSeconds * 1e6);
  std::printf("goal: under 1000 us per %dx%d frame; %d frames per run, median of %d runs\n", kWidth, kHeight,
              frames, kRuns);
  return 0;
}
