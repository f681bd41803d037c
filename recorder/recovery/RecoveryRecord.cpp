#include "recorder/recovery/RecoveryRecord.h"

#include "framework/Text.h"

#include <windows.h>
#include <cstdlib>

namespace {
const char kSection[] = "Recording";
const char kRecordSuffix[] = ".recovery.ini";

std::string ToHex(const std::vector<uint8_t>& bytes) {
  static const char digits[] = "0123456789ABCDEF";
  std::string text;
  for (uint8_t b : bytes) {
    text += digits[b >> 4];
    text += digits[b & 15];
  }
  return text;
}

bool FromHex(const std::string& text, std::vector<uint8_t>& bytes) {
  if (text.size() % 2 != 0) return false;
  bytes.clear();
  for (size_t i = 0; i < text.size(); i += 2) {
    char pair[3] = {text[i], text[i + 1], 0};
    char* end = nullptr;
    unsigned long value = strtoul(pair, &end, 16);
    if (end != pair + 2) return false;
    bytes.push_back(static_cast<uint8_t>(value));
  }
  return true;
}

bool Put(const std::string& path, const char* key, const std::string& value) {
  return WritePrivateProfileStringA(kSection, key, value.c_str(), path.c_str()) != FALSE;
}

std::string Get(const std::string& path, const char* key) {
  // Long enough for a format with a full 256-entry colour table in hex.
  std::vector<char> buffer(4096, '\0');
  GetPrivateProfileStringA(kSection, key, "", buffer.data(), static_cast<DWORD>(buffer.size()),
                           path.c_str());
  return buffer.data();
}

uint64_t GetNumber(const std::string& path, const char* key) {
  return strtoull(Get(path, key).c_str(), nullptr, 10);
}
}  // namespace

const char kRecoveryRecordPattern[] = "*.recovery.ini";

std::string RecoveryRecordPath(const std::string& videoPath) { return videoPath + kRecordSuffix; }

bool WriteRecoveryRecord(const std::string& recordPath, const RecoveryRecord& record) {
  DeleteRecoveryRecord(recordPath);
  bool ok = Put(recordPath, "FinalPath", record.finalPath) &&
            Put(recordPath, "VideoPath", record.videoPath) &&
            Put(recordPath, "SoundPath", record.soundPath) &&
            Put(recordPath, "SoundStart", Format("%llu", static_cast<unsigned long long>(record.soundStart))) &&
            Put(recordPath, "Format", ToHex(record.format)) &&
            Put(recordPath, "Handler", Format("%lu", static_cast<unsigned long>(record.handler))) &&
            Put(recordPath, "Rate", Format("%lu", static_cast<unsigned long>(record.rate))) &&
            Put(recordPath, "Scale", Format("%lu", static_cast<unsigned long>(record.scale))) &&
            Put(recordPath, "SuggestedBufferSize",
                Format("%lu", static_cast<unsigned long>(record.suggestedBufferSize)));
  if (ok && record.dataStart != 0) ok = WriteRecoveryDataStart(recordPath, record.dataStart);
  if (ok && record.soundEnd != kRecordSoundToEnd) ok = WriteRecoverySoundEnd(recordPath, record.soundEnd);
  // Flushes the profile cache so that the record is on disk before the first frame.
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, recordPath.c_str());
  if (ok) SetFileAttributesA(recordPath.c_str(), FILE_ATTRIBUTE_HIDDEN);
  return ok;
}

bool WriteRecoveryDataStart(const std::string& recordPath, uint64_t dataStart) {
  bool ok = Put(recordPath, "DataStart", Format("%llu", static_cast<unsigned long long>(dataStart)));
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, recordPath.c_str());
  return ok;
}

bool WriteRecoverySoundEnd(const std::string& recordPath, uint64_t soundEnd) {
  bool ok = soundEnd == kRecordSoundToEnd
                ? WritePrivateProfileStringA(kSection, "SoundEnd", nullptr, recordPath.c_str()) != FALSE
                : Put(recordPath, "SoundEnd", Format("%llu", static_cast<unsigned long long>(soundEnd)));
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, recordPath.c_str());
  return ok;
}

bool MarkRecoveryHandled(const std::string& recordPath, const std::string& reason) {
  bool ok = Put(recordPath, "Handled", reason.empty() ? "1" : reason);
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, recordPath.c_str());
  return ok;
}

bool ReadRecoveryRecord(const std::string& recordPath, RecoveryRecord& record) {
  if (GetFileAttributesA(recordPath.c_str()) == INVALID_FILE_ATTRIBUTES) return false;
  record = RecoveryRecord();
  record.finalPath = Get(recordPath, "FinalPath");
  record.videoPath = Get(recordPath, "VideoPath");
  record.soundPath = Get(recordPath, "SoundPath");
  record.soundStart = GetNumber(recordPath, "SoundStart");
  if (!Get(recordPath, "SoundEnd").empty()) record.soundEnd = GetNumber(recordPath, "SoundEnd");
  if (!FromHex(Get(recordPath, "Format"), record.format)) return false;
  record.handler = static_cast<uint32_t>(GetNumber(recordPath, "Handler"));
  record.rate = static_cast<uint32_t>(GetNumber(recordPath, "Rate"));
  record.scale = static_cast<uint32_t>(GetNumber(recordPath, "Scale"));
  record.suggestedBufferSize = static_cast<uint32_t>(GetNumber(recordPath, "SuggestedBufferSize"));
  record.dataStart = GetNumber(recordPath, "DataStart");
  record.handled = Get(recordPath, "Handled");
  return !record.videoPath.empty() && !record.finalPath.empty() &&
         record.format.size() >= sizeof(BITMAPINFOHEADER) && record.rate != 0 && record.scale != 0;
}

void DeleteRecoveryRecord(const std::string& recordPath) {
  SetFileAttributesA(recordPath.c_str(), FILE_ATTRIBUTE_NORMAL);
  DeleteFileA(recordPath.c_str());
}

namespace {
std::string NameOf(const std::string& path) {
  size_t slash = LastBackslash(path);
  return slash == std::string::npos ? path : path.substr(slash + 1);
}
}  // namespace

void PlaceBesideRecord(const std::string& recordPath, RecoveryRecord& record) {
  const std::string written = DirectoryWithBackslash(record.videoPath);
  const std::string now = DirectoryWithBackslash(recordPath);
  auto place = [&](std::string& path) {
    if (!path.empty() && lstrcmpiA(DirectoryWithBackslash(path).c_str(), written.c_str()) == 0)
      path = now + NameOf(path);
  };
  // The record lies beside the file the frames went into, under that file's name.
  const size_t suffix = sizeof(kRecordSuffix) - 1;
  if (recordPath.size() > suffix && lstrcmpiA(recordPath.c_str() + recordPath.size() - suffix, kRecordSuffix) == 0) {
    record.videoPath = recordPath.substr(0, recordPath.size() - suffix);
  } else {
    place(record.videoPath);
  }
  place(record.finalPath);
  const std::string soundWritten = record.soundPath;
  place(record.soundPath);
  if (GetFileAttributesA(record.soundPath.c_str()) == INVALID_FILE_ATTRIBUTES &&
      GetFileAttributesA(soundWritten.c_str()) != INVALID_FILE_ATTRIBUTES)
    record.soundPath = soundWritten;
}
