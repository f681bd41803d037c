// Still snapshots of the camera picture as BMP files in the lesson's html folder, and the
// click sound that marks the end of a recording and every snapshot.
#pragma once
#include <windows.h>
#include <atomic>
#include <cstdint>
#include <string>

struct SnapshotFrame {
  const uint8_t* bytes;  // the frame copy, rows as the grabber delivered them
  size_t byteCount;      // the copy block's capacity
  int32_t width;
  int32_t height;
  uint16_t bitsPerPixel;  // the display depth that the grabber's media type was set for
};

// "%04d-%02d-%02d(%02d-%02d-%02d)" of the local time, for example 2011-07-29(06-01-56).
std::string SnapshotName(const SYSTEMTIME& localTime);
// The 54 header bytes (file header and information header) of a snapshot file.
std::string SnapshotHeader(const SnapshotFrame& frame);
// Writes lessonHtmlDir\<name>.bmp when a snapshot was requested: the request flag is cleared
// before the frame copy is read, so the grabber's thread stops overwriting it. Plays the click
// after a successful write. Returns true when a file was written.
bool WriteSnapshot(std::atomic<int>& snapshotRequested, const SnapshotFrame& frame,
                   const std::string& lessonHtmlDir, const SYSTEMTIME& localTime);

// The Windows directory's "\media\click.wav", or empty when the directory's path does not fit
// 242 characters (length is what GetWindowsDirectory answered).
std::string ClickSoundPath(const char* windowsDirectory, UINT length);
// Plays the click asynchronously; nothing when the Windows directory's path is too long.
void PlayClickSound();
