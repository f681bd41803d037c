// The lesson folder of a recording: a copy of the course template under the save folder, named
// after the second the recording started, holding the current subject and the output paths.
#pragma once
#include <windows.h>
#include <functional>
#include <string>

// The "html" folder of the lesson being recorded; empty until the first recording starts.
extern std::string CurrentLessonDir;

// Where a new lesson folder takes its time from; tests hand in a clock of their own.
using LocalClock = std::function<SYSTEMTIME()>;
// The system's local time.
SYSTEMTIME LocalTimeNow();

// "%04d%02d%02d%02d%02d%02d" of the time, for example 20110729060156.
std::string LessonFolderName(const SYSTEMTIME& time);

// Copies source into target: every file (hidden ones too) and every folder that is not hidden,
// replacing files that exist. 1 when everything was copied, 0 otherwise.
int CopyFolderTree(const std::string& source, const std::string& target);

// Makes SaveDir\YYYYMMDDhhmmss from moduleDirectory's "template" folder and gives it the save
// folder's subject; returns its "html" folder. When a folder for that second exists already,
// the next later second without one is taken, so that no recording overwrites another.
std::string CreateLessonFolder(const std::string& saveDir, const std::string& moduleDirectory,
                               const LocalClock& clock = LocalTimeNow);

struct LessonOutputs {
  std::string lessonDir;         // the new lesson's "html" folder
  std::string videoOutputPath;   // lessonDir + "\video.wmv"
  std::string screenOutputPath;  // lessonDir + "\screen.avi"
};

// Creates the lesson folder of a recording that starts now, sets CurrentLessonDir and gives
// the paths of the two recordings.
LessonOutputs PrepareLessonOutputs(const std::string& saveDir, const std::string& moduleDirectory,
                                   const LocalClock& clock = LocalTimeNow);
