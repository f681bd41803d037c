#include "recorder/PartLimit.h"

#include <cstdint>

namespace {
constexpr uint64_t kChunkHeaderBytes = 8;
constexpr uint64_t kIndexEntryBytes = 16;
}  // namespace

bool PartWouldPassLimit(uint64_t fileBytes, uint32_t lastPosition, uint32_t position,
                        uint32_t frameBytes, uint64_t limit) {
  uint64_t skipped = position > lastPosition + 1 ? position - lastPosition - 1 : 0;
  uint64_t frame = kChunkHeaderBytes + frameBytes + (frameBytes & 1);
  uint64_t index = kChunkHeaderBytes + (uint64_t(position) + 1) * kIndexEntryBytes;
  uint64_t projected = fileBytes + skipped * kChunkHeaderBytes + frame + index + kPartSlackBytes;
  return projected > limit;
}

uint64_t FrameFileBytes(uint32_t frameBytes, uint32_t positions) {
  const uint64_t skipped = positions > 1 ? positions - 1 : 0;
  return kChunkHeaderBytes + frameBytes + (frameBytes & 1) + kIndexEntryBytes +
         skipped * (kChunkHeaderBytes + kIndexEntryBytes);
}

uint64_t FileBytesOnDisk(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data = {};
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return 0;
  return (uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

uint64_t FreeBytesBeside(const std::string& path) {
  std::string folder = path.substr(0, path.find_last_of('\\') + 1);
  ULARGE_INTEGER available = {};
  if (folder.empty() || !GetDiskFreeSpaceExA(folder.c_str(), &available, nullptr, nullptr))
    return UINT64_MAX;
  return available.QuadPart;
}
