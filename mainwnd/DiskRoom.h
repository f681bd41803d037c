// The room left on the save folder's disk, told in recording time: the free space divided by
// the bytes per second that recordings take, learnt from the lessons already recorded there (or,
// during a recording, from the recording itself).
#pragma once
#include <windows.h>

#include <string>

// The rate assumed while no lesson tells better: 2 GB per hour.
constexpr double kDefaultBytesPerSecond = 2.0 * 1024 * 1024 * 1024 / 3600;
// How many of the newest lessons the rate is learnt from.
constexpr size_t kRateLessons = 20;

// Bytes free for this user on the disk that holds `folder` (which need not exist yet); false
// when the disk cannot be asked.
bool FreeBytesOnDisk(const std::string& folder, ULONGLONG* freeBytes);
// Bytes of a lesson's recordings (its .wmv and .avi files) in its html folder, read from the
// files themselves so that files still being written count with their present size.
ULONGLONG RecordingBytes(const std::string& htmlDir);
// Seconds of a lesson's duration text "HH:MM:SS" (hours of any length); -1 when it is not one.
long long DurationSeconds(const std::string& text);
// Bytes per second of the newest lessons of the save folder, counting only lessons with a
// length and recordings on disk; kDefaultBytesPerSecond when there is none.
double LessonsDataRate(const std::string& saveDir);
// Whole minutes of recording that `freeBytes` hold at `bytesPerSecond`.
ULONGLONG RoomMinutes(ULONGLONG freeBytes, double bytesPerSecond);
// "剩余空间约可录制 X 小时 Y 分钟", under an hour "剩余空间约可录制 约 Y 分钟".
std::string RoomLine(ULONGLONG minutes);
