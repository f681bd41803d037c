// An archive that is being added to: its central directory, and copying its entries over.
#pragma once
#include "framework/Handles.h"
#include "tools/compress/OutputFile.h"
#include "tools/compress/ZipFormat.h"

#include <string>
#include <vector>

class ExistingArchive {
public:
  // Opens the archive and reads its central directory; false with `problem` set when it
  // cannot be read or is not a zip archive.
  bool Open(const std::wstring& path, std::wstring& problem);
  const std::vector<zip::CentralRecord>& Records() const { return records_; }
  // Copies one entry (local header, data and data descriptor) unchanged to the end of `out`;
  // `moved` is the record with its new offset.
  bool CopyEntry(const zip::CentralRecord& record, OutputFile& out, zip::CentralRecord& moved,
                 std::wstring& problem);
  void Close() { file_.Reset(); }

private:
  bool ReadAt(uint64_t offset, void* buffer, size_t size);
  bool ParseCentralDirectory(const std::string& directory, uint64_t count, uint64_t limit);

  UniqueHandle file_;
  uint64_t centralOffset_ = 0;
  std::vector<zip::CentralRecord> records_;
};
