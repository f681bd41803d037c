// Record layouts and constants of the zip format, and the little-endian byte packing they use.
#pragma once
#include <windows.h>
#include <cstdint>
#include <string>

namespace zip {
constexpr uint32_t kLocalHeaderSignature = 0x04034b50;
constexpr uint32_t kCentralHeaderSignature = 0x02014b50;
constexpr uint32_t kEndSignature = 0x06054b50;
constexpr uint32_t kZip64EndSignature = 0x06064b50;
constexpr uint32_t kZip64LocatorSignature = 0x07064b50;
constexpr uint32_t kDataDescriptorSignature = 0x08074b50;

constexpr size_t kLocalHeaderSize = 30;
constexpr size_t kCentralHeaderSize = 46;
constexpr size_t kEndSize = 22;
constexpr size_t kZip64EndSize = 56;
constexpr size_t kZip64LocatorSize = 20;

constexpr uint16_t kMethodStored = 0;
constexpr uint16_t kMethodDeflated = 8;
constexpr uint16_t kMethodAes = 99;

constexpr uint16_t kFlagEncrypted = 0x0001;
constexpr uint16_t kFlagDataDescriptor = 0x0008;
constexpr uint16_t kFlagUtf8 = 0x0800;

constexpr uint16_t kExtraZip64 = 0x0001;
constexpr uint16_t kExtraAes = 0x9901;
constexpr uint16_t kAesVersionAe2 = 0x0002;
constexpr uint8_t kAesStrength256 = 3;

// "Version needed to extract": 2.0 for deflate and folders, 4.5 for Zip64, 5.1 for AES.
constexpr uint16_t kVersionDefault = 20;
constexpr uint16_t kVersionZip64 = 45;
constexpr uint16_t kVersionAes = 51;
// "Version made by": host 0 (FAT/Windows, so the external attributes are DOS attributes),
// format version 6.3.
constexpr uint16_t kVersionMadeBy = 63;

// 32-bit fields at this value (16-bit fields at 0xFFFF) mean "see the Zip64 record".
constexpr uint32_t kZip64Marker32 = 0xFFFFFFFF;
constexpr uint16_t kZip64Marker16 = 0xFFFF;

// Appends little-endian integers to a byte string.
inline void Put16(std::string& out, uint16_t value) {
  out.push_back(static_cast<char>(value & 0xFF));
  out.push_back(static_cast<char>(value >> 8));
}
inline void Put32(std::string& out, uint32_t value) {
  Put16(out, static_cast<uint16_t>(value & 0xFFFF));
  Put16(out, static_cast<uint16_t>(value >> 16));
}
inline void Put64(std::string& out, uint64_t value) {
  Put32(out, static_cast<uint32_t>(value & 0xFFFFFFFF));
  Put32(out, static_cast<uint32_t>(value >> 32));
}
// Reads little-endian integers from raw bytes.
inline uint16_t Get16(const void* p) {
  const uint8_t* b = static_cast<const uint8_t*>(p);
  return static_cast<uint16_t>(b[0] | (b[1] << 8));
}
inline uint32_t Get32(const void* p) {
  const uint8_t* b = static_cast<const uint8_t*>(p);
  return Get16(b) | (static_cast<uint32_t>(Get16(b + 2)) << 16);
}
inline uint64_t Get64(const void* p) {
  const uint8_t* b = static_cast<const uint8_t*>(p);
  return Get32(b) | (static_cast<uint64_t>(Get32(b + 4)) << 32);
}

// One entry as the central directory describes it. `extra` holds the extra fields other than
// the Zip64 one, which is rebuilt from the sizes and the offset when the record is written.
struct CentralRecord {
  uint16_t versionNeeded = kVersionDefault;
  uint16_t flags = 0;
  uint16_t method = kMethodStored;
  uint16_t dosTime = 0;
  uint16_t dosDate = 0;
  uint32_t crc = 0;
  uint64_t compressedSize = 0;
  uint64_t uncompressedSize = 0;
  uint64_t localHeaderOffset = 0;
  uint16_t internalAttributes = 0;
  uint32_t externalAttributes = 0;
  std::string name;  // UTF-8 when kFlagUtf8 is set; folders end with '/'
  std::string extra;
  std::string comment;
};

// The AES extra field (0x9901) for AE-2 with AES-256 around `realMethod`.
std::string AesExtraField(uint16_t realMethod);

// The last-write time as MS-DOS local date and time.
void ToDosDateTime(const FILETIME& lastWrite, uint16_t& dosDate, uint16_t& dosTime);

// The central directory record of `record`, with a Zip64 field where a value does not fit
// in 32 bits (or always, when `forceZip64`).
std::string CentralHeader(const CentralRecord& record, bool forceZip64);

// The end records for `entryCount` entries whose central directory of `size` bytes starts at
// `offset`; `endOffset` is where these records begin. Zip64 records are added when a count
// or a position does not fit (or always, when `forceZip64`).
std::string EndRecords(uint64_t entryCount, uint64_t offset, uint64_t size, uint64_t endOffset,
                       bool forceZip64);
}  // namespace zip
