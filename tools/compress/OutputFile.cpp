#include "tools/compress/OutputFile.h"

#include <algorithm>
#include <cstring>

namespace {
constexpr size_t kBufferSize = 1 << 20;
}

bool OutputFile::Fail() {
  if (error_ == 0) error_ = GetLastError() ? GetLastError() : ERROR_WRITE_FAULT;
  return false;
}

bool OutputFile::CreateNew(const std::wstring& path) {
  error_ = 0;
  file_.Reset(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                          FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file_) return Fail();
  buffer_.resize(kBufferSize);
  buffered_ = 0;
  position_ = 0;
  return true;
}

bool OutputFile::Flush() {
  size_t done = 0;
  while (done < buffered_) {
    DWORD written = 0;
    if (!WriteFile(file_.Get(), buffer_.data() + done, static_cast<DWORD>(buffered_ - done), &written,
                   nullptr) ||
        written == 0)
      return Fail();
    done += written;
  }
  buffered_ = 0;
  return true;
}

bool OutputFile::Write(const void* data, size_t size) {
  if (error_ || !file_) return false;
  const char* bytes = static_cast<const char*>(data);
  while (size > 0) {
    if (buffered_ == buffer_.size() && !Flush()) return false;
    size_t take = std::min(size, buffer_.size() - buffered_);
    std::memcpy(buffer_.data() + buffered_, bytes, take);
    buffered_ += take;
    bytes += take;
    size -= take;
    position_ += take;
  }
  return true;
}

bool OutputFile::SeekTo(uint64_t offset) {
  LARGE_INTEGER distance;
  distance.QuadPart = static_cast<LONGLONG>(offset);
  return SetFilePointerEx(file_.Get(), distance, nullptr, FILE_BEGIN) ? true : Fail();
}

bool OutputFile::WriteAt(uint64_t offset, const std::string& bytes) {
  if (error_ || !file_ || offset + bytes.size() > position_) return false;
  if (!Flush() || !SeekTo(offset)) return false;
  DWORD written = 0;
  if (!WriteFile(file_.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
      written != bytes.size())
    return Fail();
  return SeekTo(position_);
}

bool OutputFile::TruncateTo(uint64_t offset) {
  if (error_ || !file_ || offset > position_) return false;
  if (!Flush() || !SeekTo(offset)) return false;
  if (!SetEndOfFile(file_.Get())) return Fail();
  position_ = offset;
  return true;
}

bool OutputFile::Close() {
  if (!file_) return false;
  bool ok = !error_ && Flush();
  if (ok && !FlushFileBuffers(file_.Get())) ok = Fail();
  file_.Reset();
  return ok;
}
