#include "tools/compress/ZipFormat.h"

namespace zip {
std::string AesExtraField(uint16_t realMethod) {
  std::string field;
  Put16(field, kExtraAes);
  Put16(field, 7);
  Put16(field, kAesVersionAe2);
  field += "AE";
  field.push_back(static_cast<char>(kAesStrength256));
  Put16(field, realMethod);
  return field;
}

void ToDosDateTime(const FILETIME& lastWrite, uint16_t& dosDate, uint16_t& dosTime) {
  FILETIME local;
  WORD date = 0, time = 0;
  if (!FileTimeToLocalFileTime(&lastWrite, &local) || !FileTimeToDosDateTime(&local, &date, &time)) {
    // Before 1980 or unreadable: the earliest time the format can hold (1980-01-01 00:00).
    date = (1 << 5) | 1;
    time = 0;
  }
  dosDate = date;
  dosTime = time;
}

std::string CentralHeader(const CentralRecord& record, bool forceZip64) {
  bool bigUncompressed = forceZip64 || record.uncompressedSize >= kZip64Marker32;
  bool bigCompressed = forceZip64 || record.compressedSize >= kZip64Marker32;
  bool bigOffset = forceZip64 || record.localHeaderOffset >= kZip64Marker32;
  std::string zip64;
  if (bigUncompressed || bigCompressed || bigOffset) {
    std::string values;
    if (bigUncompressed) Put64(values, record.uncompressedSize);
    if (bigCompressed) Put64(values, record.compressedSize);
    if (bigOffset) Put64(values, record.localHeaderOffset);
    Put16(zip64, kExtraZip64);
    Put16(zip64, static_cast<uint16_t>(values.size()));
    zip64 += values;
  }
  uint16_t needed = record.versionNeeded;
  if (!zip64.empty() && needed < kVersionZip64) needed = kVersionZip64;

  std::string header;
  Put32(header, kCentralHeaderSignature);
  Put16(header, kVersionMadeBy);
  Put16(header, needed);
  Put16(header, record.flags);
  Put16(header, record.method);
  Put16(header, record.dosTime);
  Put16(header, record.dosDate);
  Put32(header, record.crc);
  Put32(header, bigCompressed ? kZip64Marker32 : static_cast<uint32_t>(record.compressedSize));
  Put32(header, bigUncompressed ? kZip64Marker32 : static_cast<uint32_t>(record.uncompressedSize));
  Put16(header, static_cast<uint16_t>(record.name.size()));
  Put16(header, static_cast<uint16_t>(zip64.size() + record.extra.size()));
  Put16(header, static_cast<uint16_t>(record.comment.size()));
  Put16(header, 0);  // disk number start
  Put16(header, record.internalAttributes);
  Put32(header, record.externalAttributes);
  Put32(header, bigOffset ? kZip64Marker32 : static_cast<uint32_t>(record.localHeaderOffset));
  header += record.name;
  header += zip64;
  header += record.extra;
  header += record.comment;
  return header;
}

std::string EndRecords(uint64_t entryCount, uint64_t offset, uint64_t size, uint64_t endOffset,
                       bool forceZip64) {
  bool bigCount = forceZip64 || entryCount >= kZip64Marker16;
  bool bigSize = forceZip64 || size >= kZip64Marker32;
  bool bigOffset = forceZip64 || offset >= kZip64Marker32;
  std::string records;
  if (bigCount || bigSize || bigOffset) {
    Put32(records, kZip64EndSignature);
    Put64(records, kZip64EndSize - 12);  // size of the rest of this record
    Put16(records, kVersionMadeBy);
    Put16(records, kVersionZip64);
    Put32(records, 0);  // this disk
    Put32(records, 0);  // disk of the central directory
    Put64(records, entryCount);
    Put64(records, entryCount);
    Put64(records, size);
    Put64(records, offset);
    Put32(records, kZip64LocatorSignature);
    Put32(records, 0);  // disk of the Zip64 end record
    Put64(records, endOffset);
    Put32(records, 1);  // total disks
  }
  uint16_t count16 = bigCount ? kZip64Marker16 : static_cast<uint16_t>(entryCount);
  Put32(records, kEndSignature);
  Put16(records, 0);
  Put16(records, 0);
  Put16(records, count16);
  Put16(records, count16);
  Put32(records, bigSize ? kZip64Marker32 : static_cast<uint32_t>(size));
  Put32(records, bigOffset ? kZip64Marker32 : static_cast<uint32_t>(offset));
  Put16(records, 0);  // comment length
  return records;
}
}  // namespace zip
