// What finding the slides costs the frame loop, beside the encoder, per frame on the thread that
// captures: the loop's comparison with the frame before as it is without slides, the same
// comparison listing the changed blocks together with the slides' look at the frame (copies
// of new slides for the writer included), and the MS Video 1 encoder at the recorder's quality
// on one thread. The scenes are the encoder benchmark's, and "show": two different pictures
// taking turns every 110 frames (2.2 s at a frame every 20 ms), so that each turn is a new slide,
// copied for the writer (whose encoding on its own thread is not counted). Each figure is the median of three
// runs, each repeating the frames until it has taken half a second of the thread's processor time.
// Usage: slides_bench.exe [frames]  (prints one row per scene and size)
#include "bench/codec/Scenes.h"
#include "recorder/FrameChange.h"
#include "recorder/PackedDib.h"
#include "recorder/codec/Msvc1Encoder.h"
#include "recorder/slides/SlideShow.h"

#include <windows.h>
#include <objbase.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {
constexpr int kRuns = 3;
constexpr double kLeastSeconds = 0.5;

double ThreadSeconds() {
  FILETIME created, exited, kernel, user;
  GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user);
  auto seconds = [](const FILETIME& t) { return (double(t.dwHighDateTime) * 4294967296.0 + t.dwLowDateTime) / 1e7; };
  return seconds(kernel) + seconds(user);
}

// Packed DIBs (header and bottom-up rows) of the scene's frames.
std::vector<std::vector<uint8_t>> SceneFrames(const std::string& scene, int width, int height, int frames) {
  SceneGenerator generator(scene, width, height);
  const size_t stride = DibRowBytes(width, 16);
  std::vector<std::vector<uint8_t>> dibs;
  for (int i = 0; i < frames; ++i) {
    const std::vector<uint16_t> frame = generator.Frame(i);
    std::vector<uint8_t> dib(sizeof(BITMAPINFOHEADER) + stride * height, 0);
    auto* header = reinterpret_cast<BITMAPINFOHEADER*>(dib.data());
    header->biSize = sizeof(BITMAPINFOHEADER);
    header->biWidth = width;
    header->biHeight = height;
    header->biPlanes = 1;
    header->biBitCount = 16;
    header->biSizeImage = static_cast<DWORD>(stride * height);
    for (int y = 0; y < height; ++y)
      std::memcpy(dib.data() + sizeof(BITMAPINFOHEADER) + stride * (height - 1 - y), &frame[size_t(y) * width], 2 * width);
    dibs.push_back(std::move(dib));
  }
  return dibs;
}

// Milliseconds of the thread's processor time per frame: `work(i)` for frame i, the frames
// repeated until half a second has passed, the median of three runs.
double MsPerFrame(size_t frames, const std::function<void(size_t)>& work) {
  std::vector<double> runs;
  for (int run = 0; run < kRuns; ++run) {
    const double start = ThreadSeconds();
    size_t done = 0;
    while (ThreadSeconds() - start < kLeastSeconds || done < frames) work(done++ % frames);
    runs.push_back((ThreadSeconds() - start) * 1000 / done);
  }
  std::sort(runs.begin(), runs.end());
  return runs[kRuns / 2];
}
// The benchmark's own pictures and list.
void RemoveSlides(const std::string& folder) {
  WIN32_FIND_DATAA found = {};
  HANDLE find = FindFirstFileA((folder + "\\slides\\*.png").c_str(), &found);
  if (find != INVALID_HANDLE_VALUE) {
    do DeleteFileA((folder + "\\slides\\" + found.cFileName).c_str());
    while (FindNextFileA(find, &found));
    FindClose(find);
  }
  RemoveDirectoryA((folder + "\\slides").c_str());
  DeleteFileA((folder + "\\slides.js").c_str());
  RemoveDirectoryA(folder.c_str());
}
}  // namespace

int main(int argc, char** argv) {
  const int frames = argc > 1 ? std::atoi(argv[1]) : 24;
  CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  const std::string folder = std::string(temp) + "slides-bench";
  CreateDirectoryA(folder.c_str(), nullptr);
  std::printf("%-7s %-10s | %10s %14s %10s | %10s\n", "scene", "size", "compare", "compare+slides", "slides", "encoder");
  std::printf("%-7s %-10s | %10s %14s %10s | %10s\n", "", "", "ms/frame", "ms/frame", "ms/frame", "ms/frame");
  const int sizes[][2] = {{1366, 768}, {1920, 1080}};
  for (const auto& size : sizes) {
    const int width = size[0], height = size[1];
    const PictureShape shape = {width, height, DibRowBytes(width, 16)};
    for (const std::string scene : {"slide", "scroll", "pan", "still", "show"}) {
      const bool show = scene == "show";
      std::vector<std::vector<uint8_t>> dibs = SceneFrames(show ? "still" : scene, width, height, show ? 1 : frames);
      if (show) dibs.push_back(SceneFrames("pan", width, height, 1)[0]);
      const size_t sequence = show ? 220 : dibs.size();
      auto header = [&](size_t i) {
        const size_t picture = show ? i / 110 : i;
        return reinterpret_cast<BITMAPINFOHEADER*>(const_cast<uint8_t*>(dibs[picture].data()));
      };
      FrameChange plain;
      const double compare = MsPerFrame(sequence, [&](size_t i) { plain.Differs(header(i)); });
      FrameChange withBlocks;
      ChangedBlocks blocks;
      SlideShow slides(folder);
      uint32_t position = 0;
      const double withSlides = MsPerFrame(sequence, [&](size_t i) {
        withBlocks.Differs(header(i), nullptr, &blocks);
        slides.Frame(DibPixels(header(i)), shape, position, blocks, {}, nullptr);
        position += 4;
      });
      slides.Finish();
      Msvc1Encoder encoder(width, height, 8000, 1);
      std::vector<uint8_t> out(encoder.MaxFrameBytes());
      size_t encoded = 0;
      const double encode = MsPerFrame(sequence, [&](size_t i) {
        bool key = false;
        encoder.Encode(DibPixels(header(i)), out.data(), encoded++ % 200 == 0, &key);
      });
      std::printf("%-7s %-10s | %10.3f %14.3f %10.3f | %10.3f\n", scene.c_str(), (std::to_string(width) + "x" + std::to_string(height)).c_str(),
                  compare, withSlides, withSlides - compare, encode);
      std::fflush(stdout);
    }
  }
  std::printf("slides: what the loop spends on them beyond its own comparison (goal: at most 1 ms a frame on average)\n");
  RemoveSlides(folder);
  CoUninitialize();
  return 0;
}
