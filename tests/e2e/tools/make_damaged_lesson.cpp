// Makes a lesson folder whose screen recording was cut off by a kill, of about the size asked:
//   make_damaged_lesson <lesson folder> <megabytes>
// The folder gets index.htm and html\screen.avi as a kill leaves it (a header area of zeros,
// then one chunk per stream position, no index) with its recovery record beside it. The
// pictures are 640 x 480 MS Video 1 key frames of noise, one every fourth position of 5 ms, as
// a screen recording at 50 frames a second writes them. Exit code 0 when written.
#include "recorder/codec/Msvc1Encoder.h"
#include "recorder/recovery/RecoveryRecord.h"

#include <windows.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {
constexpr int kWidth = 640, kHeight = 480;
constexpr uint32_t kHeaderArea = 4096;
constexpr uint32_t kPositionsPerPicture = 4;

bool WriteAll(HANDLE file, const void* data, DWORD bytes) {
  DWORD written = 0;
  return WriteFile(file, data, bytes, &written, nullptr) && written == bytes;
}

bool WriteTextFile(const std::string& path, const char* text) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  bool ok = WriteAll(file, text, static_cast<DWORD>(strlen(text)));
  CloseHandle(file);
  return ok;
}

// One key frame of noise, as the encoder codes it.
std::vector<uint8_t> NoiseKeyFrame() {
  const size_t stride = (kWidth * 2 + 3) & ~3;
  std::vector<uint8_t> pixels(stride * kHeight);
  uint32_t seed = 12345;
  for (uint8_t& byte : pixels) {
    seed = seed * 1103515245u + 12345u;
    byte = static_cast<uint8_t>(seed >> 16);
  }
  for (size_t row = 0; row < kHeight; ++row) pixels[row * stride + kWidth * 2 - 1] &= 0x7F;
  Msvc1Encoder encoder(kWidth, kHeight, 10000, 1);
  std::vector<uint8_t> out(encoder.MaxFrameBytes());
  bool key = false;
  out.resize(encoder.Encode(pixels.data(), out.data(), true, &key));
  return out;
}
}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  const std::string lesson = argv[1];
  const uint64_t bytes = uint64_t(atoi(argv[2])) << 20;
  const std::string html = lesson + "\\html", screen = html + "\\screen.avi";
  CreateDirectoryA(lesson.c_str(), nullptr);
  CreateDirectoryA(html.c_str(), nullptr);
  if (!WriteTextFile(lesson + "\\index.htm", "<html></html>")) return 1;

  const std::vector<uint8_t> picture = NoiseKeyFrame();
  const uint32_t pictureBytes = static_cast<uint32_t>(picture.size());
  // One picture and the empty chunks of the positions after it, written in one piece.
  std::vector<uint8_t> group;
  auto chunk = [&group](const uint8_t* data, uint32_t size) {
    group.insert(group.end(), {'0', '0', 'd', 'c'});
    group.insert(group.end(), reinterpret_cast<const uint8_t*>(&size), reinterpret_cast<const uint8_t*>(&size) + 4);
    if (size) group.insert(group.end(), data, data + size);
    if (size & 1) group.push_back(0);
  };
  chunk(picture.data(), pictureBytes);
  for (uint32_t i = 1; i < kPositionsPerPicture; ++i) chunk(nullptr, 0);

  HANDLE file = CreateFileA(screen.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  std::vector<uint8_t> zeros(kHeaderArea, 0);
  bool ok = WriteAll(file, zeros.data(), kHeaderArea);
  for (uint64_t done = kHeaderArea; ok && done < bytes; done += group.size())
    ok = WriteAll(file, group.data(), static_cast<DWORD>(group.size()));
  CloseHandle(file);
  if (!ok) return 1;

  RecoveryRecord record;
  record.finalPath = record.videoPath = screen;
  BITMAPINFOHEADER format = {};
  format.biSize = sizeof(format);
  format.biWidth = kWidth;
  format.biHeight = kHeight;
  format.biPlanes = 1;
  format.biBitCount = 16;
  format.biCompression = mmioFOURCC('M', 'S', 'V', 'C');
  format.biSizeImage = kWidth * kHeight * 2;
  record.format.assign(reinterpret_cast<const uint8_t*>(&format), reinterpret_cast<const uint8_t*>(&format + 1));
  record.handler = mmioFOURCC('M', 'S', 'V', 'C');
  record.rate = 200;
  record.scale = 1;
  record.suggestedBufferSize = pictureBytes;
  record.dataStart = kHeaderArea;
  return WriteRecoveryRecord(RecoveryRecordPath(screen), record) ? 0 : 1;
}
