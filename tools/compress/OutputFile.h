// The archive being written: a buffered file that knows its position and can patch bytes
// already written (the sizes in a local header) or cut off a half-written entry.
#pragma once
#include "framework/Handles.h"

#include <cstdint>
#include <string>
#include <vector>

class OutputFile {
public:
  OutputFile() = default;
  ~OutputFile() = default;
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // Creates a new file; fails when it exists already.
  bool CreateNew(const std::wstring& path);
  bool Write(const void* data, size_t size);
  bool Write(const std::string& bytes) { return Write(bytes.data(), bytes.size()); }
  // Overwrites bytes at an earlier position; the write position stays at the end.
  bool WriteAt(uint64_t offset, const std::string& bytes);
  // Drops everything from `offset` on.
  bool TruncateTo(uint64_t offset);
  // Writes out the buffer and the file's data to the disk, then closes it.
  bool Close();
  uint64_t Position() const { return position_; }
  // The system error of the first failure.
  DWORD Error() const { return error_; }

private:
  bool Flush();
  bool Fail();
  bool SeekTo(uint64_t offset);

  UniqueHandle file_;
  std::vector<char> buffer_;
  size_t buffered_ = 0;
  uint64_t position_ = 0;
  DWORD error_ = 0;
};
