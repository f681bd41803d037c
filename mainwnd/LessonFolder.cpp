#include "mainwnd/LessonFolder.h"

#include "framework/Handles.h"
#include "framework/Text.h"
#include "lessons/SubjectScript.h"
#include "mainwnd/FolderOps.h"

std::string CurrentLessonDir;

namespace {
// FILETIME counts 100-nanosecond steps.
constexpr ULONGLONG kOneSecond = 10000000ULL;

SYSTEMTIME NextSecond(const SYSTEMTIME& time) {
  FILETIME file{};
  SystemTimeToFileTime(&time, &file);
  ULARGE_INTEGER ticks;
  ticks.LowPart = file.dwLowDateTime;
  ticks.HighPart = file.dwHighDateTime;
  ticks.QuadPart += kOneSecond;
  file.dwLowDateTime = ticks.LowPart;
  file.dwHighDateTime = ticks.HighPart;
  SYSTEMTIME next{};
  FileTimeToSystemTime(&file, &next);
  return next;
}
}  // namespace

SYSTEMTIME LocalTimeNow() {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  return now;
}

std::string LessonFolderName(const SYSTEMTIME& time) {
  return Format("%04d%02d%02d%02d%02d%02d", time.wYear, time.wMonth, time.wDay, time.wHour,
                time.wMinute, time.wSecond);
}

int CopyFolderTree(const std::string& source, const std::string& target) {
  CreateDirectoryA(target.c_str(), nullptr);  // it may exist already
  int result = 1;
  WIN32_FIND_DATAA entry{};
  FindHandle find(FindFirstFileA((source + "\\*.*").c_str(), &entry));
  if (!find.Valid()) return result;
  do {
    std::string name = entry.cFileName;
    if (name == "." || name == "..") continue;
    std::string from = source + "\\" + name;
    std::string to = target + "\\" + name;
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN)) result &= CopyFolderTree(from, to);
    } else {
      result &= CopyFileA(from.c_str(), to.c_str(), FALSE) ? 1 : 0;
    }
  } while (FindNextFileA(find.Get(), &entry));
  return result;
}

std::string CreateLessonFolder(const std::string& saveDir, const std::string& moduleDirectory,
                               const LocalClock& clock) {
  SYSTEMTIME time = clock();
  std::string name = LessonFolderName(time);
  // Claiming the folder by creating it leaves no gap between the test and the use of a name.
  while (!CreateDirectoryA(Format("%s\\%s", saveDir.c_str(), name.c_str()).c_str(), nullptr) &&
         GetLastError() == ERROR_ALREADY_EXISTS) {
    time = NextSecond(time);
    name = LessonFolderName(time);
  }
  std::string lessonFolder = Format("%s\\%s", saveDir.c_str(), name.c_str());
  std::string htmlFolder = Format("%s\\%s\\html", saveDir.c_str(), name.c_str());
  CopyFolderTree(moduleDirectory + "\\template", lessonFolder);
  std::string lessonSubject = htmlFolder + "\\subject.txt";
  CopyFileA((saveDir + "\\subject.txt").c_str(), lessonSubject.c_str(), FALSE);
  if (PathExists(lessonSubject)) WriteSubjectScript(lessonSubject);
  return htmlFolder;
}

LessonOutputs PrepareLessonOutputs(const std::string& saveDir, const std::string& moduleDirectory,
                                   const LocalClock& clock) {
  CurrentLessonDir = CreateLessonFolder(saveDir, moduleDirectory, clock);
  EnsureDirectory(CurrentLessonDir);
  LessonOutputs outputs;
  outputs.lessonDir = CurrentLessonDir;
  outputs.videoOutputPath = Format("%s\\video.wmv", CurrentLessonDir.c_str());
  outputs.screenOutputPath = Format("%s\\screen.avi", CurrentLessonDir.c_str());
  return outputs;
}
