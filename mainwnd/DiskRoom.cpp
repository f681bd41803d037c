#include "mainwnd/DiskRoom.h"

#include "framework/Handles.h"
#include "framework/Text.h"
#include "lessons/LessonList.h"

#include <algorithm>
#include <cctype>
#include <vector>

namespace {
bool IsRecordingFile(const std::string& name) {
  if (name.size() < 4) return false;
  std::string extension = name.substr(name.size() - 4);
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return extension == ".wmv" || extension == ".avi";
}
}  // namespace

bool FreeBytesOnDisk(const std::string& folder, ULONGLONG* freeBytes) {
  ULARGE_INTEGER available{};
  if (GetDiskFreeSpaceExA(folder.c_str(), &available, nullptr, nullptr)) {
    *freeBytes = available.QuadPart;
    return true;
  }
  // A save folder that is not made yet lies on the disk of its volume.
  char volume[MAX_PATH] = {};
  if (!GetVolumePathNameA(folder.c_str(), volume, sizeof(volume)) ||
      !GetDiskFreeSpaceExA(volume, &available, nullptr, nullptr)) {
    return false;
  }
  *freeBytes = available.QuadPart;
  return true;
}

ULONGLONG RecordingBytes(const std::string& htmlDir) {
  ULONGLONG total = 0;
  WIN32_FIND_DATAA entry{};
  FindHandle find(FindFirstFileA((htmlDir + "\\*.*").c_str(), &entry));
  if (!find.Valid()) return 0;
  do {
    if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || !IsRecordingFile(entry.cFileName)) continue;
    // The directory's record of a file being written may lag behind; the file's own does not.
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (GetFileAttributesExA((htmlDir + "\\" + entry.cFileName).c_str(), GetFileExInfoStandard, &data)) {
      total += (static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    }
  } while (FindNextFileA(find.Get(), &entry));
  return total;
}

long long DurationSeconds(const std::string& text) {
  unsigned long long hours = 0, minutes = 0, seconds = 0;
  int used = 0;
  if (text.empty() || !std::isdigit(static_cast<unsigned char>(text[0])) ||
      sscanf(text.c_str(), "%llu:%2llu:%2llu%n", &hours, &minutes, &seconds, &used) != 3 ||
      static_cast<size_t>(used) != text.size() || minutes > 59 || seconds > 59 || hours > 100000) {
    return -1;
  }
  return static_cast<long long>(hours * 3600 + minutes * 60 + seconds);
}

double LessonsDataRate(const std::string& saveDir) {
  std::vector<LessonEntry> lessons = FindLessons(saveDir);
  // Lesson folders are named by their start time, so the newest sort last.
  std::sort(lessons.begin(), lessons.end(),
            [](const LessonEntry& a, const LessonEntry& b) { return a.folderName > b.folderName; });
  ULONGLONG bytes = 0;
  long long seconds = 0;
  size_t counted = 0;
  for (const LessonEntry& lesson : lessons) {
    if (counted == kRateLessons) break;
    long long length = DurationSeconds(lesson.duration);
    if (length <= 0) continue;  // no length, or none worth learning from
    ULONGLONG recorded = RecordingBytes(LessonFolderPath(saveDir, lesson.folderName) + "\\html");
    if (recorded == 0) continue;  // its recordings are missing
    bytes += recorded;
    seconds += length;
    ++counted;
  }
  return seconds > 0 ? static_cast<double>(bytes) / static_cast<double>(seconds) : kDefaultBytesPerSecond;
}

ULONGLONG RoomMinutes(ULONGLONG freeBytes, double bytesPerSecond) {
  if (bytesPerSecond <= 0.0) bytesPerSecond = kDefaultBytesPerSecond;
  double minutes = static_cast<double>(freeBytes) / bytesPerSecond / 60.0;
  // Beyond any disk of today, the count stays a count.
  constexpr double kMostMinutes = 1e12;
  return static_cast<ULONGLONG>(std::min(minutes, kMostMinutes));
}

std::string RoomLine(ULONGLONG minutes) {
  if (minutes < 60) return Format("剩余空间约可录制 %llu 分钟", minutes);
  return Format("剩余空间约可录制 %llu 小时 %llu 分钟", minutes / 60, minutes % 60);
}
