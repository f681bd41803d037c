// Makes a lesson folder whose screen recording was cut off by a kill:
//   make_damaged_lesson <lesson folder> noise <megabytes>   a changing screen, of that size
//   make_damaged_lesson <lesson folder> still <minutes>     a still screen, of that length
// The folder gets index.htm and html\screen.avi as a kill leaves it (a header area of zeros,
// then one chunk per stream position, no index) with its recovery record beside it. Pictures
// are 640 x 480 MS Video 1 frames, one every fourth position of 5 ms, as a screen recording at
// 50 frames a second writes them: key frames of noise, or one key frame of a plain picture
// followed by frames that keep it. Exit code 0 when written.
#include "recorder/codec/Msvc1Encoder.h"
#include "recorder/recovery/RecoveryRecord.h"

#include <windows.h>
#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <cstring>
#include <string>
#include <utility>
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

// The key frame of noise or of a plain picture, and the frame after it that keeps the picture,
// as the encoder codes them.
std::pair<std::vector<uint8_t>, std::vector<uint8_t>> Frames(bool noise) {
  const size_t stride = (kWidth * 2 + 3) & ~3;
  std::vector<uint8_t> pixels(stride * kHeight, 0x42);
  uint32_t seed = 12345;
  for (uint8_t& byte : pixels) {
    if (!noise) break;
    seed = seed * 1103515245u + 12345u;
    byte = static_cast<uint8_t>(seed >> 16);
  }
  for (size_t row = 0; row < kHeight; ++row) pixels[row * stride + kWidth * 2 - 1] &= 0x7F;
  Msvc1Encoder encoder(kWidth, kHeight, 10000, 1);
  std::vector<uint8_t> key(encoder.MaxFrameBytes()), keep(encoder.MaxFrameBytes());
  bool isKey = false;
  key.resize(encoder.Encode(pixels.data(), key.data(), true, &isKey));
  keep.resize(encoder.Encode(pixels.data(), keep.data(), false, &isKey));
  return {key, keep};
}
}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) return 2;
  const std::string lesson = argv[1];
  const bool noise = std::string(argv[2]) == "noise";
  const uint64_t amount = static_cast<uint64_t>(atoi(argv[3]));
  const std::string html = lesson + "\\html", screen = html + "\\screen.avi";
  CreateDirectoryA(lesson.c_str(), nullptr);
  CreateDirectoryA(html.c_str(), nullptr);
  if (!WriteTextFile(lesson + "\\index.htm", "<html></html>")) return 1;

  const auto [key, keep] = Frames(noise);
  // One picture and the empty chunks of the positions after it.
  auto group = [](const uint8_t* data, uint32_t size) {
    std::vector<uint8_t> bytes;
    auto chunk = [&bytes](const uint8_t* chunkData, uint32_t chunkSize) {
      bytes.insert(bytes.end(), {'0', '0', 'd', 'c'});
      bytes.insert(bytes.end(), reinterpret_cast<const uint8_t*>(&chunkSize), reinterpret_cast<const uint8_t*>(&chunkSize) + 4);
      if (chunkSize) bytes.insert(bytes.end(), chunkData, chunkData + chunkSize);
      if (chunkSize & 1) bytes.push_back(0);
    };
    chunk(data, size);
    for (uint32_t i = 1; i < kPositionsPerPicture; ++i) chunk(nullptr, 0);
    return bytes;
  };
  const std::vector<uint8_t> first = group(key.data(), static_cast<uint32_t>(key.size()));
  const std::vector<uint8_t> next = noise ? first : group(keep.data(), static_cast<uint32_t>(keep.size()));
  // Noise: pictures up to the size asked; still: one picture a 50th of a second for the minutes.
  const uint64_t groups = noise ? std::max<uint64_t>(1, (amount << 20) / first.size()) : amount * 60 * 50;

  HANDLE file = CreateFileA(screen.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  std::vector<uint8_t> bytes(kHeaderArea, 0);
  bytes.insert(bytes.end(), first.begin(), first.end());
  bool ok = true;
  for (uint64_t written = 1; ok && written < groups; ++written) {
    bytes.insert(bytes.end(), next.begin(), next.end());
    if (bytes.size() >= (8u << 20)) {
      ok = WriteAll(file, bytes.data(), static_cast<DWORD>(bytes.size()));
      bytes.clear();
    }
  }
  ok = ok && WriteAll(file, bytes.data(), static_cast<DWORD>(bytes.size()));
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
  record.suggestedBufferSize = static_cast<uint32_t>(key.size());
  record.dataStart = kHeaderArea;
  return WriteRecoveryRecord(RecoveryRecordPath(screen), record) ? 0 : 1;
}
