#include "mainwnd/InterruptedLessons.h"

#include "framework/Handles.h"
#include "lessons/LessonList.h"
#include "mainwnd/LessonDuration.h"
#include "recorder/recovery/RecoveryRecord.h"

#include <windows.h>

namespace {
bool HasDuration(const std::string& htmlDir) {
  char value[80] = {};
  GetPrivateProfileStringA("TimeInfo", "time", "", value, sizeof(value), (htmlDir + "\\time.ini").c_str());
  return value[0] != '\0';
}

std::vector<std::string> RecordsIn(const std::string& htmlDir) {
  std::vector<std::string> records;
  WIN32_FIND_DATAA found = {};
  FindHandle search(FindFirstFileA((htmlDir + "\\" + kRecoveryRecordPattern).c_str(), &found));
  if (!search.Valid()) return records;
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) records.push_back(htmlDir + "\\" + found.cFileName);
  } while (FindNextFileA(search.Get(), &found));
  return records;
}
}  // namespace

std::vector<RecoveredLesson> RecoverInterruptedLessons(const std::string& saveDir) {
  std::vector<RecoveredLesson> recovered;
  for (const LessonEntry& lesson : FindLessons(saveDir)) {
    std::string htmlDir = LessonFolderPath(saveDir, lesson.folderName) + "\\html";
    for (const std::string& record : RecordsIn(htmlDir)) {
      RecoveredLesson result;
      result.folderName = lesson.folderName;
      result.report = RepairRecording(record);
      RepairOutcome outcome = result.report.outcome;
      // The stop writes the length; a recording cut off before it gets the length its frames cover.
      if ((outcome == RepairOutcome::Repaired || outcome == RepairOutcome::AlreadyComplete) &&
          !HasDuration(htmlDir)) {
        LessonDuration(htmlDir, result.report.Seconds());
        result.durationWritten = true;
      }
      recovered.push_back(result);
    }
  }
  return recovered;
}
