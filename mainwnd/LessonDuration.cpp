#include "mainwnd/LessonDuration.h"

#include "framework/Text.h"

#include <windows.h>

std::string FormatLessonDuration(long seconds) {
  return Format("%02ld:%02ld:%02ld", seconds / 3600, seconds % 3600 / 60, seconds % 60);
}

void LessonDuration(const std::string& lessonHtmlDir, long seconds) {
  std::string path = lessonHtmlDir + "\\time.ini";
  WritePrivateProfileStringA("TimeInfo", "time", FormatLessonDuration(seconds).c_str(), path.c_str());
}
