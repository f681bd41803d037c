#include "tools/compress/ExistingArchive.h"

#include <algorithm>
#include <vector>

namespace {
constexpr size_t kMaxComment = 0xFFFF;
// A central directory beyond this is not a lesson archive but a damaged size field.
constexpr uint64_t kMaxCentralDirectory = 256ull << 20;
constexpr size_t kCopyChunk = 1 << 20;

// Reads the Zip64 field of a central record for the values marked as stored there, and
// returns the other extra fields.
bool TakeZip64Field(zip::CentralRecord& record, uint32_t compressed32, uint32_t uncompressed32,
                    uint32_t offset32) {
  std::string rest;
  const std::string& extra = record.extra;
  size_t i = 0;
  while (i + 4 <= extra.size()) {
    uint16_t id = zip::Get16(&extra[i]);
    size_t size = zip::Get16(&extra[i + 2]);
    if (i + 4 + size > extra.size()) return false;
    if (id == zip::kExtraZip64) {
      const char* values = &extra[i + 4];
      size_t used = 0;
      auto take = [&](uint64_t& field) {
        if (used + 8 > size) return false;
        field = zip::Get64(values + used);
        used += 8;
        return true;
      };
      if (uncompressed32 == zip::kZip64Marker32 && !take(record.uncompressedSize)) return false;
      if (compressed32 == zip::kZip64Marker32 && !take(record.compressedSize)) return false;
      if (offset32 == zip::kZip64Marker32 && !take(record.localHeaderOffset)) return false;
    } else {
      rest.append(extra, i, 4 + size);
    }
    i += 4 + size;
  }
  record.extra = rest;
  return true;
}

bool HasExtraField(const std::string& extra, uint16_t wanted) {
  for (size_t i = 0; i + 4 <= extra.size(); i += 4 + zip::Get16(&extra[i + 2]))
    if (zip::Get16(&extra[i]) == wanted) return true;
  return false;
}
}  // namespace

bool ExistingArchive::ReadAt(uint64_t offset, void* buffer, size_t size) {
  LARGE_INTEGER distance;
  distance.QuadPart = static_cast<LONGLONG>(offset);
  if (!SetFilePointerEx(file_.Get(), distance, nullptr, FILE_BEGIN)) return false;
  char* bytes = static_cast<char*>(buffer);
  while (size > 0) {
    DWORD got = 0;
    if (!ReadFile(file_.Get(), bytes, static_cast<DWORD>(std::min<size_t>(size, kCopyChunk)), &got,
                  nullptr) ||
        got == 0)
      return false;
    bytes += got;
    size -= got;
  }
  return true;
}

bool ExistingArchive::Open(const std::wstring& path, std::wstring& problem) {
  file_.Reset(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL, nullptr));
  LARGE_INTEGER fileSize;
  if (!file_ || !GetFileSizeEx(file_.Get(), &fileSize)) {
    problem = L"cannot open the existing archive";
    return false;
  }
  problem = L"the existing file is not a zip archive or is damaged";
  uint64_t size = static_cast<uint64_t>(fileSize.QuadPart);
  if (size < zip::kEndSize) return false;

  // The end record sits at the end, followed only by the archive comment.
  size_t tailSize = static_cast<size_t>(std::min<uint64_t>(size, zip::kEndSize + kMaxComment));
  std::string tail(tailSize, '\0');
  uint64_t tailStart = size - tailSize;
  if (!ReadAt(tailStart, &tail[0], tailSize)) return false;
  size_t end = std::string::npos;
  for (size_t i = tailSize - zip::kEndSize + 1; i-- > 0;) {
    if (zip::Get32(&tail[i]) == zip::kEndSignature &&
        i + zip::kEndSize + zip::Get16(&tail[i + 20]) == tailSize) {
      end = i;
      break;
    }
  }
  if (end == std::string::npos) return false;
  uint64_t endOffset = tailStart + end;
  uint64_t count = zip::Get16(&tail[end + 10]);
  uint64_t directorySize = zip::Get32(&tail[end + 12]);
  uint64_t directoryOffset = zip::Get32(&tail[end + 16]);
  uint64_t directoryLimit = endOffset;

  if (endOffset >= zip::kZip64LocatorSize) {
    char locator[zip::kZip64LocatorSize];
    if (!ReadAt(endOffset - zip::kZip64LocatorSize, locator, sizeof(locator))) return false;
    if (zip::Get32(locator) == zip::kZip64LocatorSignature) {
      uint64_t zip64End = zip::Get64(locator + 8);
      char record[zip::kZip64EndSize];
      if (zip64End + zip::kZip64EndSize > endOffset || !ReadAt(zip64End, record, sizeof(record)) ||
          zip::Get32(record) != zip::kZip64EndSignature)
        return false;
      count = zip::Get64(record + 32);
      directorySize = zip::Get64(record + 40);
      directoryOffset = zip::Get64(record + 48);
      directoryLimit = zip64End;
    }
  }
  if (directorySize > kMaxCentralDirectory || directoryOffset + directorySize > directoryLimit)
    return false;
  std::string directory(static_cast<size_t>(directorySize), '\0');
  if (directorySize > 0 && !ReadAt(directoryOffset, &directory[0], directory.size())) return false;
  centralOffset_ = directoryOffset;
  if (!ParseCentralDirectory(directory, count, directoryOffset)) return false;
  problem.clear();
  return true;
}

bool ExistingArchive::ParseCentralDirectory(const std::string& directory, uint64_t count,
                                            uint64_t limit) {
  records_.clear();
  size_t i = 0;
  for (uint64_t n = 0; n < count; ++n) {
    if (i + zip::kCentralHeaderSize > directory.size()) return false;
    const char* h = &directory[i];
    if (zip::Get32(h) != zip::kCentralHeaderSignature) return false;
    size_t nameSize = zip::Get16(h + 28), extraSize = zip::Get16(h + 30), commentSize = zip::Get16(h + 32);
    if (i + zip::kCentralHeaderSize + nameSize + extraSize + commentSize > directory.size()) return false;
    zip::CentralRecord record;
    record.versionNeeded = zip::Get16(h + 6);
    record.flags = zip::Get16(h + 8);
    record.method = zip::Get16(h + 10);
    record.dosTime = zip::Get16(h + 12);
    record.dosDate = zip::Get16(h + 14);
    record.crc = zip::Get32(h + 16);
    uint32_t compressed32 = zip::Get32(h + 20), uncompressed32 = zip::Get32(h + 24);
    uint32_t offset32 = zip::Get32(h + 42);
    record.compressedSize = compressed32;
    record.uncompressedSize = uncompressed32;
    record.localHeaderOffset = offset32;
    record.internalAttributes = zip::Get16(h + 36);
    record.externalAttributes = zip::Get32(h + 38);
    size_t at = i + zip::kCentralHeaderSize;
    record.name = directory.substr(at, nameSize);
    record.extra = directory.substr(at + nameSize, extraSize);
    record.comment = directory.substr(at + nameSize + extraSize, commentSize);
    if (!TakeZip64Field(record, compressed32, uncompressed32, offset32)) return false;
    if (record.localHeaderOffset + zip::kLocalHeaderSize + record.compressedSize > limit) return false;
    records_.push_back(record);
    i = at + nameSize + extraSize + commentSize;
  }
  return true;
}

bool ExistingArchive::CopyEntry(const zip::CentralRecord& record, OutputFile& out,
                                zip::CentralRecord& moved, std::wstring& problem) {
  problem = L"the existing archive is damaged";
  char header[zip::kLocalHeaderSize];
  if (!ReadAt(record.localHeaderOffset, header, sizeof(header)) ||
      zip::Get32(header) != zip::kLocalHeaderSignature)
    return false;
  size_t nameSize = zip::Get16(header + 26), extraSize = zip::Get16(header + 28);
  uint64_t length = zip::kLocalHeaderSize + nameSize + extraSize + record.compressedSize;
  if (record.flags & zip::kFlagDataDescriptor) {
    std::string extra(extraSize, '\0');
    if (extraSize && !ReadAt(record.localHeaderOffset + zip::kLocalHeaderSize + nameSize, &extra[0],
                             extraSize))
      return false;
    // CRC and two sizes, 8 bytes each with Zip64, optionally after a signature.
    uint64_t descriptor = HasExtraField(extra, zip::kExtraZip64) ? 20 : 12;
    char signature[4];
    if (!ReadAt(record.localHeaderOffset + length, signature, sizeof(signature))) return false;
    if (zip::Get32(signature) == zip::kDataDescriptorSignature) descriptor += 4;
    length += descriptor;
  }
  if (record.localHeaderOffset + length > centralOffset_) return false;

  moved = record;
  moved.localHeaderOffset = out.Position();
  std::vector<char> buffer(kCopyChunk);
  for (uint64_t done = 0; done < length;) {
    size_t take = static_cast<size_t>(std::min<uint64_t>(length - done, buffer.size()));
    if (!ReadAt(record.localHeaderOffset + done, buffer.data(), take)) return false;
    if (!out.Write(buffer.data(), take)) {
      problem = L"cannot write the archive";
      return false;
    }
    done += take;
  }
  problem.clear();
  return true;
}
