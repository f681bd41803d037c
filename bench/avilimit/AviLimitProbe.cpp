// Shows what the system's AVI file library does when a plain AVI file grows towards the sizes a
// RIFF file can hold: writes uncompressed frames of a given size through AVIStreamWrite until a
// write fails or a byte count is reached, prints every failure with the file size at that moment,
// then releases the file and prints what the release left on disk.
// Usage: avi_limit_probe <output.avi> <width> <height> <stop after megabytes> [frames]
// Prints lines "written <frames> <file bytes>", "failed <frame> <hresult> <file bytes>" and
// "released <file bytes>".
#include <windows.h>
#include <vfw.h>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {
unsigned long long FileBytes(const char* path) {
  WIN32_FILE_ATTRIBUTE_DATA data = {};
  if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data)) return 0;
  return (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}
}  // namespace

int main(int argc, char** argv) {
  if (argc < 5) {
    fprintf(stderr, "usage: %s output.avi width height megabytes\n", argv[0]);
    return 2;
  }
  const char* path = argv[1];
  int width = atoi(argv[2]), height = atoi(argv[3]);
  unsigned long long stopBytes = strtoull(argv[4], nullptr, 10) << 20;
  long maxFrames = argc > 5 ? atol(argv[5]) : 0x7fffffff;
  BITMAPINFOHEADER format = {};
  format.biSize = sizeof(format);
  format.biWidth = width;
  format.biHeight = height;
  format.biPlanes = 1;
  format.biBitCount = 16;
  format.biSizeImage = static_cast<DWORD>(((width * 2 + 3) & ~3) * height);
  std::vector<unsigned char> pixels(format.biSizeImage);

  AVIFileInit();
  PAVIFILE file = nullptr;
  if (AVIFileOpenA(&file, path, OF_WRITE | OF_CREATE, nullptr) != 0) return 1;
  AVISTREAMINFOA info = {};
  info.fccType = streamtypeVIDEO;
  info.dwScale = 1;
  info.dwRate = 200;
  info.dwSuggestedBufferSize = format.biSizeImage;
  SetRect(&info.rcFrame, 0, 0, width, height);
  PAVISTREAM stream = nullptr;
  if (AVIFileCreateStreamA(file, &stream, &info) != 0) return 1;
  if (AVIStreamSetFormat(stream, 0, &format, sizeof(format)) != 0) return 1;
  LONG frame = 0;
  int failures = 0;
  unsigned long long lastReport = 0;
  for (;; ++frame) {
    // Every frame differs a little, so nothing could be shared between them.
    for (size_t i = 0; i < pixels.size(); i += 4096) pixels[i] = static_cast<unsigned char>(frame);
    LONG bytes = 0;
    HRESULT result = AVIStreamWrite(stream, frame, 1, pixels.data(), static_cast<LONG>(pixels.size()),
                                    AVIIF_KEYFRAME, nullptr, &bytes);
    unsigned long long size = FileBytes(path);
    if (result != 0) {
      printf("failed %ld 0x%08lx %llu\n", frame, static_cast<unsigned long>(result), size);
      fflush(stdout);
      if (++failures >= 3) break;
      continue;
    }
    // Near and past 2 GB every frame is shown: that is where the offsets stop fitting 31 bits.
    if (size - lastReport >= (256ull << 20) || size + 3 * pixels.size() >= (1ull << 31)) {
      printf("written %ld %llu\n", frame + 1, size);
      fflush(stdout);
      lastReport = size;
    }
    if (size >= stopBytes || frame + 1 >= maxFrames) break;
  }
  AVIStreamRelease(stream);
  ULONG left = AVIFileRelease(file);
  AVIFileExit();
  printf("released %llu (references left %lu)\n", FileBytes(path), left);
  return 0;
}
