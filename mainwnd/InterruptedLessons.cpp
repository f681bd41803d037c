#include "mainwnd/InterruptedLessons.h"

#include "framework/Handles.h"
#include "lessons/LessonList.h"
#include "lessons/ScreenPartsScript.h"
#include "mainwnd/LessonDuration.h"
#include "recorder/recovery/AviCheck.h"
#include "recorder/recovery/RecordingParts.h"
#include "recorder/recovery/RecoveryRecord.h"

#include <windows.h>

namespace {
bool HasDuration(const std::string& htmlDir) {
  char value[80] = {};
  GetPrivateProfileStringA("TimeInfo", "time", "", value, sizeof(value), (htmlDir + "\\time.ini").c_str());
  return value[0] != '\0';
}

// The length of the screen recording: the lengths of its parts added up.
long RecordingSeconds(const std::string& htmlDir) {
  uint64_t milliseconds = 0;
  for (const std::string& part : ExistingRecordingParts(htmlDir + "\\screen.avi")) {
    AviFacts facts;
    if (CheckAviFile(part, &facts) && facts.rate != 0)
      milliseconds += uint64_t(facts.length) * facts.scale * 1000 / facts.rate;
  }
  return static_cast<long>((milliseconds + 500) / 1000);
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
    size_t first = recovered.size();
    bool usable = false;
    for (const std::string& record : RecordsIn(htmlDir)) {
      RecoveredLesson result;
      result.folderName = lesson.folderName;
      result.report = RepairRecording(record);
      RepairOutcome outcome = result.report.outcome;
      usable = usable || outcome == RepairOutcome::Repaired || outcome == RepairOutcome::AlreadyComplete;
      recovered.push_back(result);
    }
    if (first == recovered.size()) {
      // A stop on a full disk could not write the length of a recording that ended whole; it
      // gets the length its files cover once the disk has room.
      if (lesson.duration.empty()) {
        long seconds = RecordingSeconds(htmlDir);
        if (seconds > 0) {
          LessonDuration(htmlDir, seconds);
          RecoveredLesson result;
          result.folderName = lesson.folderName;
          result.report.outcome = RepairOutcome::AlreadyComplete;
          result.durationWritten = true;
          recovered.push_back(result);
        }
      }
      continue;
    }
    // A long recording is several files; the page lists all that are now whole.
    WriteScreenPartsScript(htmlDir);
    // The stop writes the length; a recording cut off before it gets the length its parts cover,
    // once every part has been repaired.
    if (usable && !HasDuration(htmlDir)) {
      long seconds = RecordingSeconds(htmlDir);
      if (seconds == 0) seconds = recovered[first].report.Seconds();
      LessonDuration(htmlDir, seconds);
      recovered[first].durationWritten = true;
    }
  }
  return recovered;
}
