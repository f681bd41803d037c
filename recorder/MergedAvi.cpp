#include "recorder/MergedAvi.h"

#include "framework/Handles.h"

#include <windows.h>
#include <vfw.h>
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {
MergedAviWriteCall writeCall = WriteFile;

struct IndexEntry {
  char id[4];
  uint32_t flags, offset, size;
};

class AviFile {
public:
  explicit AviFile(const std::string& path)
      : file_(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL, nullptr)) {}
  bool Valid() const { return file_.Valid(); }
  bool Read(uint64_t at, void* data, DWORD count) { return Seek(at) && Io(data, count, false); }
  bool Write(uint64_t at, const void* data, DWORD count) {
    return Seek(at) && Io(const_cast<void*>(data), count, true);
  }
  bool Flush() { return FlushFileBuffers(file_.Get()) != FALSE; }

private:
  bool Seek(uint64_t at) {
    LARGE_INTEGER to;
    to.QuadPart = static_cast<LONGLONG>(at);
    return SetFilePointerEx(file_.Get(), to, nullptr, FILE_BEGIN) != FALSE;
  }
  bool Io(void* data, DWORD count, bool write) {
    DWORD done = 0;
    BOOL ok = write ? writeCall(file_.Get(), data, count, &done, nullptr)
                    : ReadFile(file_.Get(), data, count, &done, nullptr);
    return ok && done == count;
  }
  UniqueHandle file_;
};

struct Layout {
  std::vector<uint64_t> streamHeaders;  // file offsets of each stream's "strh" data
  uint64_t index = 0;                   // of the "idx1" data
  uint32_t indexBytes = 0;
};

// The stream headers inside "hdrl" and the index at the top level.
bool FindLayout(AviFile& file, uint64_t end, Layout& layout) {
  uint64_t at = 12;
  while (at + 8 <= end) {
    char header[12];
    if (!file.Read(at, header, 12)) return false;
    uint32_t size;
    memcpy(&size, header + 4, 4);
    if (memcmp(header, "LIST", 4) == 0 && memcmp(header + 8, "hdrl", 4) == 0) {
      for (uint64_t in = at + 12; in + 12 <= at + 8 + size;) {
        char list[12];
        if (!file.Read(in, list, 12)) return false;
        uint32_t listSize;
        memcpy(&listSize, list + 4, 4);
        if (memcmp(list, "LIST", 4) == 0 && memcmp(list + 8, "strl", 4) == 0) {
          char strh[8];
          if (!file.Read(in + 12, strh, 8) || memcmp(strh, "strh", 4) != 0) return false;
          layout.streamHeaders.push_back(in + 20);
        }
        in += 8 + uint64_t(listSize) + (listSize & 1);
      }
    } else if (memcmp(header, "idx1", 4) == 0) {
      layout.index = at + 8;
      layout.indexBytes = size;
    }
    at += 8 + uint64_t(size) + (size & 1);
  }
  return layout.index != 0 && layout.indexBytes % sizeof(IndexEntry) == 0;
}

int StreamOf(const IndexEntry& entry) {
  if (entry.id[0] < '0' || entry.id[0] > '9' || entry.id[1] < '0' || entry.id[1] > '9') return -1;
  return (entry.id[0] - '0') * 10 + (entry.id[1] - '0');
}
}  // namespace

void SetMergedAviWriteForTests(MergedAviWriteCall call) { writeCall = call ? call : WriteFile; }

TidyResult TidyMergedAvi(const std::string& path) {
  AviFile file(path);
  char riff[12];
  if (!file.Valid() || !file.Read(0, riff, 12) || memcmp(riff, "RIFF", 4) != 0) return TidyResult::NotUnderstood;
  uint32_t riffSize;
  memcpy(&riffSize, riff + 4, 4);
  Layout layout;
  if (!FindLayout(file, 8 + uint64_t(riffSize), layout)) return TidyResult::NotUnderstood;

  std::vector<IndexEntry> entries(layout.indexBytes / sizeof(IndexEntry));
  if (!entries.empty() && !file.Read(layout.index, entries.data(), layout.indexBytes))
    return TidyResult::NotUnderstood;
  if (!std::is_sorted(entries.begin(), entries.end(),
                      [](const IndexEntry& a, const IndexEntry& b) { return a.offset < b.offset; })) {
    std::stable_sort(entries.begin(), entries.end(),
                     [](const IndexEntry& a, const IndexEntry& b) { return a.offset < b.offset; });
    if (!file.Write(layout.index, entries.data(), layout.indexBytes)) return TidyResult::WriteFailed;
  }

  for (size_t stream = 0; stream < layout.streamHeaders.size(); ++stream) {
    AVIStreamHeader header;
    if (!file.Read(layout.streamHeaders[stream], &header, sizeof(header))) return TidyResult::NotUnderstood;
    if (header.fccType != streamtypeAUDIO || header.dwSampleSize == 0) continue;
    uint64_t bytes = 0;
    for (const IndexEntry& entry : entries)
      if (StreamOf(entry) == static_cast<int>(stream)) bytes += entry.size;
    DWORD length = static_cast<DWORD>(bytes / header.dwSampleSize);
    if (header.dwLength != length &&
        !file.Write(layout.streamHeaders[stream] + offsetof(AVIStreamHeader, dwLength), &length, sizeof(length)))
      return TidyResult::WriteFailed;
  }
  // On disk before the file takes the final name.
  return file.Flush() ? TidyResult::Done : TidyResult::WriteFailed;
}
