#include "mainwnd/InterruptedLessons.h"

#include "framework/Handles.h"
#include "lessons/LessonList.h"
#include "lessons/PartsScripts.h"
#include "mainwnd/LessonDuration.h"
#include "recorder/recovery/AviCheck.h"
#include "recorder/recovery/RecordingParts.h"
#include "recorder/recovery/RecoveryRecord.h"
#include "recorder/slides/SlidesRepair.h"

#include <windows.h>
#include <algorithm>

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

// Settled: nothing about the record will change at a later start.
bool Settled(RepairOutcome outcome) {
  return outcome != RepairOutcome::Busy && outcome != RepairOutcome::NoRoom && outcome != RepairOutcome::TryAgain;
}

// A stop on a full disk could not write the length of a recording that ended whole; it gets
// the length its files cover once the disk has room.
void WriteMissingLength(const InterruptedLesson& lesson, std::vector<RecoveredLesson>& recovered) {
  long seconds = RecordingSeconds(lesson.htmlDir);
  if (seconds <= 0) return;
  LessonDuration(lesson.htmlDir, seconds);
  RecoveredLesson result;
  result.folderName = lesson.folderName;
  result.report.outcome = RepairOutcome::AlreadyComplete;
  result.durationWritten = true;
  recovered.push_back(result);
}
}  // namespace

std::vector<InterruptedLesson> FindInterruptedLessons(const std::string& saveDir) {
  std::vector<InterruptedLesson> lessons;
  for (const LessonEntry& entry : FindLessons(saveDir)) {
    InterruptedLesson lesson;
    lesson.folderName = entry.folderName;
    lesson.htmlDir = LessonFolderPath(saveDir, entry.folderName) + "\\html";
    lesson.records = RecordsIn(lesson.htmlDir);
    lesson.lengthMissing = entry.duration.empty();
    if (!lesson.records.empty() || lesson.lengthMissing) lessons.push_back(std::move(lesson));
  }
  return lessons;
}

std::vector<RecoveredLesson> RecoverLessons(const std::vector<InterruptedLesson>& lessons,
                                            const LessonRepairProgress& progress) {
  // A run's sound file can be named by records of several lessons (a copied lesson): it goes
  // only when no record anywhere still wants it.
  RepairOptions options;
  for (const InterruptedLesson& lesson : lessons)
    options.pendingRecords.insert(options.pendingRecords.end(), lesson.records.begin(), lesson.records.end());

  std::vector<RecoveredLesson> recovered;
  bool stopped = false;
  for (const InterruptedLesson& lesson : lessons) {
    if (stopped) break;
    if (lesson.records.empty()) {
      // Reading the parts' lengths waits like a repair while a recording runs.
      if (progress && !progress(lesson.folderName, 0)) break;
      if (lesson.lengthMissing) {
        WriteMissingLength(lesson, recovered);
        // The stop that could not write the length could not write the lists of files either.
        WriteRecordingPartsScripts(lesson.htmlDir);
      }
      continue;
    }
    size_t first = recovered.size();
    bool usable = false, settled = true;
    for (size_t i = 0; i < lesson.records.size(); ++i) {
      // The lesson's percent runs over its records in turn; 100 is told once its length is written.
      if (progress) {
        const int done = static_cast<int>(i * 100 / lesson.records.size());
        const int share = static_cast<int>(100 / lesson.records.size());
        options.progress = [&, done, share](int percent) {
          stopped = stopped || !progress(lesson.folderName, std::min(99, done + percent * share / 100));
          return !stopped;
        };
      }
      RecoveredLesson result;
      result.folderName = lesson.folderName;
      result.report = RepairRecording(lesson.records[i], options);
      RepairOutcome outcome = result.report.outcome;
      usable = usable || outcome == RepairOutcome::Repaired || outcome == RepairOutcome::AlreadyComplete;
      settled = settled && Settled(outcome);
      recovered.push_back(result);
      if (stopped) break;
    }
    // A long recording is several screen files, and a camera or microphone that dropped out left
    // several camera files; the page lists them all. A camera part cut off with the program is
    // kept and listed as it is: the players read what it holds.
    WriteRecordingPartsScripts(lesson.htmlDir);
    // The slides listed before the cut, those whose pictures read back whole.
    RepairSlidesScript(lesson.htmlDir);
    // The stop writes the length; a recording cut off before it gets the length its parts cover,
    // once every part is settled (one that waits for the next start would be left out for good).
    if (usable && settled && !stopped && !HasDuration(lesson.htmlDir)) {
      long seconds = RecordingSeconds(lesson.htmlDir);
      if (seconds == 0) seconds = recovered[first].report.Seconds();
      LessonDuration(lesson.htmlDir, seconds);
      recovered[first].durationWritten = true;
    }
    if (progress && !stopped) progress(lesson.folderName, 100);
  }
  return recovered;
}

std::vector<RecoveredLesson> RecoverInterruptedLessons(const std::string& saveDir) {
  return RecoverLessons(FindInterruptedLessons(saveDir));
}
