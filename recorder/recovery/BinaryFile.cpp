#include "recorder/recovery/BinaryFile.h"

#include <algorithm>
#include <vector>

namespace {
bool SeekTo(HANDLE file, uint64_t offset) {
  LARGE_INTEGER to;
  to.QuadPart = static_cast<LONGLONG>(offset);
  return SetFilePointerEx(file, to, nullptr, FILE_BEGIN) != FALSE;
}
}  // namespace

bool FileReader::Open(const std::string& path) {
  failed_ = false;
  file_.Reset(CreateFileA(path.c_str(), GENERIC_READ,
                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  openError_ = file_ ? 0 : GetLastError();
  if (!file_) return false;
  LARGE_INTEGER size;
  if (!GetFileSizeEx(file_.Get(), &size)) {
    openError_ = GetLastError();
    file_.Reset();
    return false;
  }
  size_ = static_cast<uint64_t>(size.QuadPart);
  return true;
}

bool FileReader::ReadAt(uint64_t offset, void* buffer, uint32_t count) const {
  if (!file_ || offset > size_ || count > size_ - offset) return false;
  DWORD read = 0;
  if ((watcher_ && !watcher_(count)) || !SeekTo(file_.Get(), offset) ||
      !ReadFile(file_.Get(), buffer, count, &read, nullptr) || read != count) {
    failed_ = true;
    return false;
  }
  return true;
}

uint32_t FileReader::U32At(uint64_t offset, bool* ok) const {
  uint32_t value = 0;
  bool read = ReadAt(offset, &value, 4);
  if (ok) *ok = read;
  return read ? value : 0;
}

bool FileWriter::Create(const std::string& path) {
  file_.Reset(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                          FILE_ATTRIBUTE_NORMAL, nullptr));
  position_ = 0;
  failed_ = !file_;
  return !failed_;
}

bool FileWriter::Write(const void* data, uint32_t count) {
  if (failed_) return false;
  DWORD written = 0;
  if (!WriteFile(file_.Get(), data, count, &written, nullptr) || written != count) {
    failed_ = true;
    return false;
  }
  position_ += count;
  return true;
}

bool FileWriter::PatchU32(uint64_t offset, uint32_t value) {
  if (failed_) return false;
  DWORD written = 0;
  if (!SeekTo(file_.Get(), offset) || !WriteFile(file_.Get(), &value, 4, &written, nullptr) ||
      written != 4 || !SeekTo(file_.Get(), position_)) {
    failed_ = true;
  }
  return !failed_;
}

bool FileWriter::Finish() {
  if (file_ && !FlushFileBuffers(file_.Get())) failed_ = true;
  file_.Reset();
  return !failed_;
}

bool CopyBytes(const FileReader& from, uint64_t offset, uint64_t count, FileWriter& to) {
  std::vector<uint8_t> buffer(static_cast<size_t>(std::min<uint64_t>(count, 1 << 20)));
  while (count > 0) {
    uint32_t piece = static_cast<uint32_t>(std::min<uint64_t>(count, buffer.size()));
    if (!from.ReadAt(offset, buffer.data(), piece) || !to.Write(buffer.data(), piece)) return false;
    offset += piece;
    count -= piece;
  }
  return true;
}
