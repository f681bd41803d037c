// The main window's lesson list: one row per lesson folder under the save folder, each row
// keeping the index of its folder so that a click finds the lesson whatever the row shows.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

// A lesson found on disk: its folder name (YYYYMMDDhhmmss) and its recorded length, empty
// when the lesson has no "html\time.ini" value.
struct LessonEntry {
  std::string folderName;
  std::string duration;
};

// Every folder directly under the save folder that holds an "index.htm", in the order the
// file system gives them.
std::vector<LessonEntry> FindLessons(const std::string& saveDir);

// "%02d. %s(%s %s:%s:%s)%s": position (from 1), "会议", date, hours, minutes, seconds taken
// from the folder name, duration; for example "03. 会议(20110729 14:30:05)00:12:07".
std::string LessonRowText(size_t position, const LessonEntry& lesson);

class LessonList {
public:
  // Rebuilds the list view's rows from the save folder (FillLessonList).
  void Fill(HWND listView, const std::string& saveDir);
  // The folder name of the list view's selected row, or empty when no row is selected.
  std::string SelectedFolderName(HWND listView) const;
  // Shows `state` in place of the length in the row of `folderName` (a lesson under repair), or,
  // with an empty state, the length its time.ini holds now. Nothing when no row is that lesson's.
  void ShowRowState(HWND listView, const std::string& saveDir, const std::string& folderName,
                    const std::string& state) const;
  const std::vector<std::string>& FolderNames() const { return folderNames_; }

private:
  std::vector<std::string> folderNames_;
};

// Paths of a lesson: "%s\%s" of the save folder and the folder name, its subject file
// "...\html\subject.txt" and its course page "...\index.htm".
std::string LessonFolderPath(const std::string& saveDir, const std::string& folderName);
std::string LessonSubjectPath(const std::string& saveDir, const std::string& folderName);
std::string LessonPagePath(const std::string& saveDir, const std::string& folderName);
