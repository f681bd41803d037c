// Plain file access by offset for the recovery: a reader that shares the file with a writer
// still holding it, and an appending writer that can patch sizes afterwards.
#pragma once
#include "framework/Handles.h"

#include <cstdint>
#include <string>

class FileReader {
public:
  // Opens for reading; other processes may still write or delete the file.
  bool Open(const std::string& path);
  uint64_t Size() const { return size_; }
  // Reads exactly `count` bytes at `offset`; false when the file ends before.
  bool ReadAt(uint64_t offset, void* buffer, uint32_t count) const;
  uint32_t U32At(uint64_t offset, bool* ok) const;

private:
  UniqueHandle file_;
  uint64_t size_ = 0;
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
