// Plain file access by offset for the recovery: a reader that shares the file with a writer
// still holding it, and an appending writer that can patch sizes afterwards.
#pragma once
#include "framework/Handles.h"

#include <cstdint>
#include <functional>
#include <string>

class FileReader {
public:
  // Opens for reading; other processes may still write or delete the file. On failure
  // OpenError() says why (a missing file, or one that cannot be opened now).
  bool Open(const std::string& path);
  DWORD OpenError() const { return openError_; }
  uint64_t Size() const { return size_; }
  // Reads exactly `count` bytes at `offset`; false when the file ends before, or when the read
  // itself failed (then Failed() is set).
  bool ReadAt(uint64_t offset, void* buffer, uint32_t count) const;
  uint32_t U32At(uint64_t offset, bool* ok) const;
  // Whether a read inside the file failed (a read error, or a stop asked by the watcher): what
  // was read is then not all that the file holds.
  bool Failed() const { return failed_; }
  // Called before every read inside the file with its byte count; when it returns false the
  // read fails. A long reader reports its progress through it, and can be stopped.
  void WatchReads(std::function<bool(uint32_t bytes)> watcher) { watcher_ = std::move(watcher); }

private:
  UniqueHandle file_;
  uint64_t size_ = 0;
  DWORD openError_ = 0;
  mutable bool failed_ = false;
  std::function<bool(uint32_t)> watcher_;
};

class FileWriter {
public:
  // Creates the file, replacing one that stands there.
  bool Create(const std::string& path);
  bool Write(const void* data, uint32_t count);
  bool WriteU32(uint32_t value) { return Write(&value, 4); }
  bool WriteFourcc(const char* fourcc) { return Write(fourcc, 4); }
  bool PatchU32(uint64_t offset, uint32_t value);
  uint64_t Position() const { return position_; }
  // Flushes to disk and closes; false when anything failed on the way.
  bool Finish();
  bool Failed() const { return failed_; }

private:
  UniqueHandle file_;
  uint64_t position_ = 0;
  bool failed_ = false;
};

// Copies `count` bytes from the reader at `offset` to the writer's end.
bool CopyBytes(const FileReader& from, uint64_t offset, uint64_t count, FileWriter& to);
