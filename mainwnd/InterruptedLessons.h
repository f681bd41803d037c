// At start-up, before the lesson list is filled: the lessons whose screen recording was cut off
// (the program was killed, the machine lost power) get their screen.avi repaired and, when the
// stop never wrote it, their length in time.ini. A lesson whose recording ended whole but whose
// length could not be written (a full disk) gets its length too.
#pragma once
#include "recorder/recovery/RecordingRepair.h"

#include <string>
#include <vector>

struct RecoveredLesson {
  std::string folderName;
  RepairReport report;
  bool durationWritten = false;
};

// Looks at every lesson under the save folder for recovery records and handles each once.
std::vector<RecoveredLesson> RecoverInterruptedLessons(const std::string& saveDir);
