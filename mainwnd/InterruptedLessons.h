// At start-up: the lessons whose screen recording was cut off (the program was killed, the
// machine lost power) get their screen.avi repaired and, when the stop never wrote it, their
// length in time.ini. A lesson whose recording ended whole but whose length could not be
// written (a full disk) gets its length too. Both get the course page's lists of their screen
// and camera files; camera files are never removed or rewritten.
//
// Finding these lessons only lists folders and is quick; repairing them reads and writes whole
// recordings and is left to a worker thread (LessonRepairWorker.h).
#pragma once
#include "recorder/recovery/RecordingRepair.h"

#include <functional>
#include <string>
#include <vector>

// A lesson the start-up repair looks at: its recovery records, if any, and whether time.ini
// holds no length.
struct InterruptedLesson {
  std::string folderName;
  std::string htmlDir;
  std::vector<std::string> records;
  bool lengthMissing = false;
};

struct RecoveredLesson {
  std::string folderName;
  RepairReport report;
  bool durationWritten = false;
};

// Every lesson under the save folder with recovery records or without a length.
std::vector<InterruptedLesson> FindInterruptedLessons(const std::string& saveDir);

// Told how far the repair of a lesson's records has come (0 to 100); returning false stops the
// repair, leaving what is not done for the next start. It may also wait (a recording runs).
using LessonRepairProgress = std::function<bool(const std::string& folderName, int percent)>;

// Repairs the lessons' records and writes the lengths that are missing. A lesson's length is
// written once every record of it is settled (repaired, complete, or given up), never while a
// part waits for the next start, so that it covers all its parts.
std::vector<RecoveredLesson> RecoverLessons(const std::vector<InterruptedLesson>& lessons,
                                            const LessonRepairProgress& progress = {});

// Finds and repairs at once (FindInterruptedLessons, then RecoverLessons).
std::vector<RecoveredLesson> RecoverInterruptedLessons(const std::string& saveDir);
