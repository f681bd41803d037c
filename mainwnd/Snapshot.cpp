#include "mainwnd/Snapshot.h"

#include "framework/Handles.h"
#include "framework/Text.h"

#include <mmsystem.h>
#include <cstring>

namespace {
const size_t kHeaderBytes = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);

bool WriteAll(HANDLE file, const void* data, size_t size) {
  DWORD written = 0;
  return WriteFile(file, data, static_cast<DWORD>(size), &written, nullptr) && written == size;
}
}  // namespace

std::string SnapshotName(const SYSTEMTIME& t) {
  return Format("%04d-%02d-%02d(%02d-%02d-%02d)", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond);
}

std::string SnapshotHeader(const SnapshotFrame& frame) {
  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;  // "BM"
  file.bfSize = static_cast<DWORD>(frame.byteCount + kHeaderBytes);
  file.bfOffBits = static_cast<DWORD>(kHeaderBytes);
  BITMAPINFOHEADER info{};
  info.biSize = sizeof(info);
  info.biWidth = frame.width;
  info.biHeight = frame.height;
  info.biPlanes = 1;
  info.biBitCount = frame.bitsPerPixel;
  std::string header(kHeaderBytes, '\0');
  std::memcpy(&header[0], &file, sizeof(file));
  std::memcpy(&header[sizeof(file)], &info, sizeof(info));
  return header;
}

bool WriteSnapshot(std::atomic<int>& snapshotRequested, const SnapshotFrame& frame,
                   const std::string& lessonHtmlDir, const SYSTEMTIME& localTime) {
  if (snapshotRequested.load() == 0 || !frame.bytes) return false;
  snapshotRequested.store(0);
  std::string name = SnapshotName(localTime);
  DWORD attributes = GetFileAttributesA(lessonHtmlDir.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    CreateDirectoryA(lessonHtmlDir.c_str(), nullptr);
  }
  std::string path = Format("%s\\%s.bmp", lessonHtmlDir.c_str(), name.c_str());
  if (path.size() > MAX_PATH - 1) return false;
  bool written;
  {
    UniqueHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    std::string header = SnapshotHeader(frame);
    written = WriteAll(file.Get(), header.data(), sizeof(BITMAPFILEHEADER)) &&
              WriteAll(file.Get(), header.data() + sizeof(BITMAPFILEHEADER), sizeof(BITMAPINFOHEADER)) &&
              WriteAll(file.Get(), frame.bytes, frame.byteCount);
  }
  // A snapshot cut short by a full disk would look like a picture but is not one.
  if (!written) {
    DeleteFileA(path.c_str());
    return false;
  }
  PlayClickSound();
  return true;
}

std::string ClickSoundPath(const char* windowsDirectory, UINT length) {
  if (length == 0 || length > 242) return {};
  return std::string(windowsDirectory, length) + "\\media\\click.wav";
}

void PlayClickSound() {
  char directory[242] = {};
  UINT length = GetWindowsDirectoryA(directory, sizeof(directory));
  std::string path = ClickSoundPath(directory, length);
  if (!path.empty()) sndPlaySoundA(path.c_str(), SND_ASYNC);
}
