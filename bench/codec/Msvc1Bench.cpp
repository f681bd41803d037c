// Benchmark of the MS Video 1 encoder on raw RGB555 frames (top row first, as ffmpeg's
// rgb555le). "generate" writes a scene's frames; "encode" times the encoder on them (median of
// three runs, each repeating the frames until it has taken half a second of processor time, so
// that fast scenes are not measured in clock ticks) and writes the compressed frames into an AVI
// file for ffmpeg to decode. "budget" records a scene's frames (made in the program itself) as
// the screen recorder would if they came at FPS a second: the recorder's data-rate budget (MB a
// minute at 1920 x 1080, 0 for none) chooses each frame's quality or leaves it out, and a key
// frame comes every second; the AVI holds one frame per picture offered, a left-out one as a
// frame that changes nothing (what a player shows at an empty position), so that ffmpeg can
// compare every picture.
#include "bench/BenchClock.h"
#include "bench/codec/Scenes.h"
#include "recorder/PartLimit.h"
#include "recorder/ScreenBudget.h"
#include "recorder/ScreenBudgetSetting.h"
#include "recorder/codec/Msvc1Block.h"
#include "recorder/codec/Msvc1Encoder.h"

#include <windows.h>
#include <vfw.h>
#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int kDefaultQuality = 8000;  // what the screen recorder asks for
constexpr int kKeyFrameEvery = 200;  // likewise
constexpr int kRuns = 3;
constexpr double kLeastSeconds = 0.5;

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// RAW "-" writes the frames to standard output, for ffmpeg to read from a pipe.
int Generate(const std::string& scene, int width, int height, int frames, const char* path) {
  SceneGenerator generator(scene, width, height);
  if (!generator.Valid()) return std::fprintf(stderr, "unknown scene %s\n", scene.c_str()), 2;
  const bool toPipe = std::strcmp(path, "-") == 0;
  if (toPipe) _setmode(_fileno(stdout), _O_BINARY);
  FILE* file = toPipe ? stdout : std::fopen(path, "wb");
  if (!file) return std::fprintf(stderr, "cannot write %s\n", path), 2;
  for (int i = 0; i < frames; ++i) {
    const std::vector<uint16_t> frame = generator.Frame(i);
    std::fwrite(frame.data(), 2, frame.size(), file);
  }
  if (toPipe) std::fflush(file); else std::fclose(file);
  return 0;
}

std::vector<std::vector<uint8_t>> LoadAsDibs(const char* path, int width, int height, int frames) {
  const size_t stride = (size_t(width) * 2 + 3) & ~size_t(3), rowBytes = size_t(width) * 2;
  std::vector<std::vector<uint8_t>> dibs;
  FILE* file = std::fopen(path, "rb");
  if (!file) return dibs;
  std::vector<uint8_t> row(rowBytes);
  for (int i = 0; i < frames; ++i) {
    std::vector<uint8_t> dib(stride * height, 0);
    for (int y = 0; y < height; ++y) {
      if (std::fread(row.data(), 1, rowBytes, file) != rowBytes) return {};
      std::memcpy(dib.data() + stride * (height - 1 - y), row.data(), rowBytes);
    }
    dibs.push_back(std::move(dib));
  }
  std::fclose(file);
  return dibs;
}

bool WriteAvi(const char* path, int width, int height, const std::vector<std::vector<uint8_t>>& frames,
              const std::vector<bool>& keys, int rate = 25) {
  AVIFileInit();
  DeleteFileA(path);
  PAVIFILE file = nullptr;
  PAVISTREAM stream = nullptr;
  bool ok = AVIFileOpenA(&file, path, OF_WRITE | OF_CREATE, nullptr) == 0;
  BITMAPINFOHEADER format = {};
  format.biSize = sizeof(format);
  format.biWidth = (width + 3) & ~3;
  format.biHeight = (height + 3) & ~3;
  format.biPlanes = 1;
  format.biBitCount = 16;
  format.biCompression = mmioFOURCC('M', 'S', 'V', 'C');
  if (ok) {
    AVISTREAMINFOA info = {};
    info.fccType = streamtypeVIDEO;
    info.fccHandler = format.biCompression;
    info.dwScale = 1;
    info.dwRate = DWORD(rate);
    SetRect(&info.rcFrame, 0, 0, width, height);
    ok = AVIFileCreateStreamA(file, &stream, &info) == 0 &&
         AVIStreamSetFormat(stream, 0, &format, sizeof(format)) == 0;
  }
  for (size_t i = 0; ok && i < frames.size(); ++i)
    ok = AVIStreamWrite(stream, LONG(i), 1, const_cast<uint8_t*>(frames[i].data()), LONG(frames[i].size()),
                        keys[i] ? AVIIF_KEYFRAME : 0, nullptr, nullptr) == 0;
  if (stream) AVIStreamRelease(stream);
  if (file) AVIFileRelease(file);
  AVIFileExit();
  return ok;
}

// runs = 0: one pass for the output and the size alone, without timing.
int Encode(const char* rawPath, int width, int height, int frames, const char* aviPath, int quality, int threads,
           int runs) {
  const std::vector<std::vector<uint8_t>> dibs = LoadAsDibs(rawPath, width, height, frames);
  if (dibs.size() != size_t(frames)) return std::fprintf(stderr, "cannot read %s\n", rawPath), 2;
  std::vector<std::vector<uint8_t>> coded(frames);
  std::vector<bool> keys(frames);
  std::vector<double> processorFps, wallFps;
  size_t totalBytes = 0;
  int usedThreads = 0;
  for (int run = 0; run < std::max(1, runs); ++run) {
    const double processorStart = ProcessSeconds(), wallStart = WallSeconds();
    int encoded = 0;
    do {
      Msvc1Encoder encoder(width, height, quality, threads);
      usedThreads = encoder.Threads();
      std::vector<uint8_t> out(encoder.MaxFrameBytes());
      totalBytes = 0;
      for (int i = 0; i < frames; ++i) {
        bool key = false;
        const size_t bytes = encoder.Encode(dibs[i].data(), out.data(), i % kKeyFrameEvery == 0, &key);
        totalBytes += bytes;
        if (encoded == 0 && run == 0) {
          coded[i].assign(out.begin(), out.begin() + bytes);
          keys[i] = key;
        }
      }
      encoded += frames;
    } while (runs > 0 && ProcessSeconds() - processorStart < kLeastSeconds);
    processorFps.push_back(encoded / (ProcessSeconds() - processorStart));
    wallFps.push_back(encoded / (WallSeconds() - wallStart));
  }
  if (!WriteAvi(aviPath, width, height, coded, keys)) return std::fprintf(stderr, "cannot write %s\n", aviPath), 2;
  if (runs > 0)
    std::printf("fps=%.1f wallfps=%.1f threads=%d bytes=%.0f\n", Median(processorFps), Median(wallFps), usedThreads,
                double(totalBytes) / frames);
  else
    std::printf("bytes=%.0f\n", double(totalBytes) / frames);
  return 0;
}

// A frame that skips every block: the decoder keeps showing the frame before.
std::vector<uint8_t> NothingChanged(int width, int height) {
  std::vector<uint8_t> frame;
  for (int blocks = ((width + 3) / 4) * ((height + 3) / 4); blocks > 0; blocks -= msvc1::kMaxSkipRun) {
    const int run = std::min(blocks, msvc1::kMaxSkipRun);
    frame.push_back(uint8_t((msvc1::kSkipCode + run) & 0xFF));
    frame.push_back(uint8_t((msvc1::kSkipCode + run) >> 8));
  }
  return frame;
}

// One generated picture as bottom-up DIB rows.
std::vector<uint8_t> SceneDib(const SceneGenerator& generator, int index, int width, int height) {
  const std::vector<uint16_t> picture = generator.Frame(index);
  const size_t stride = (size_t(width) * 2 + 3) & ~size_t(3), rowBytes = size_t(width) * 2;
  std::vector<uint8_t> dib(stride * height, 0);
  for (int y = 0; y < height; ++y)
    std::memcpy(dib.data() + stride * (height - 1 - y), picture.data() + size_t(y) * width, rowBytes);
  return dib;
}

int Budget(const std::string& scene, int width, int height, int frames, int fps, int mbPerMinute, const char* aviPath) {
  SceneGenerator generator(scene, width, height);
  if (!generator.Valid() || fps <= 0) return std::fprintf(stderr, "unknown scene %s\n", scene.c_str()), 2;
  ScreenBudget budget(PictureBudget(mbPerMinute, width, height, 200));
  Msvc1Encoder encoder(width, height, int(budget.Quality()), 0);
  std::vector<uint8_t> out(encoder.MaxFrameBytes());
  std::vector<std::vector<uint8_t>> coded(frames);
  std::vector<bool> keys(frames);
  const std::vector<uint8_t> nothing = NothingChanged(width, height);
  uint64_t bytes = 0;
  int written = 0, lowered = 0, sinceKey = fps;
  for (int i = 0; i < frames; ++i) {
    const DWORD ms = DWORD(int64_t(i) * 1000 / fps);
    if (!budget.Admits(ms)) {
      coded[i] = nothing;
      ++sinceKey;
      continue;
    }
    encoder.SetQuality(int(budget.Quality()));
    bool key = false;
    const size_t size = encoder.Encode(SceneDib(generator, i, width, height).data(), out.data(), sinceKey >= fps, &key);
    sinceKey = key ? 1 : sinceKey + 1;
    budget.Written(uint32_t(size), key);
    coded[i].assign(out.begin(), out.begin() + size);
    keys[i] = key;
    bytes += size + (size & 1);
    ++written;
    lowered += budget.Quality() < 8000;
  }
  if (!WriteAvi(aviPath, width, height, coded, keys, fps)) return std::fprintf(stderr, "cannot write %s\n", aviPath), 2;
  // The recorder's file holds a chunk and an index entry for each of its 200 positions a second too.
  const double seconds = double(frames) / fps;
  bytes += uint64_t(seconds * 200) * FrameFileBytes(0, 1);
  std::printf("mbmin=%.1f written=%.1f lowered=%.1f\n", double(bytes) / seconds * 60 / 1048576,
              100.0 * written / frames, 100.0 * lowered / frames);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 7 && std::strcmp(argv[1], "generate") == 0)
    return Generate(argv[2], std::atoi(argv[3]), std::atoi(argv[4]), std::atoi(argv[5]), argv[6]);
  if (argc == 9 && std::strcmp(argv[1], "budget") == 0)
    return Budget(argv[2], std::atoi(argv[3]), std::atoi(argv[4]), std::atoi(argv[5]), std::atoi(argv[6]),
                  std::atoi(argv[7]), argv[8]);
  if (argc >= 7 && argc <= 10 && std::strcmp(argv[1], "encode") == 0)
    return Encode(argv[2], std::atoi(argv[3]), std::atoi(argv[4]), std::atoi(argv[5]), argv[6],
                  argc >= 8 ? std::atoi(argv[7]) : kDefaultQuality, argc >= 9 ? std::atoi(argv[8]) : 0,
                  argc >= 10 ? std::atoi(argv[9]) : kRuns);
  std::fprintf(stderr,
               "usage: msvc1_bench generate slide|scroll|pan|still|bands WIDTH HEIGHT FRAMES RAW\n"
               "       msvc1_bench encode RAW WIDTH HEIGHT FRAMES AVI [QUALITY [THREADS [RUNS]]]\n"
               "         THREADS 0: one per processor; RUNS 0: no timing\n"
               "       msvc1_bench budget SCENE WIDTH HEIGHT FRAMES FPS MB_PER_MINUTE AVI\n");
  return 2;
}
