// What the main window does with its lesson list and subject panel: the start-up subject, a
// click and a double click on a lesson, and the edit command.
#pragma once
#include "lessons/LessonList.h"

#include <windows.h>
#include <string>

// Reads a subject file (see ReadSubject) and shows its text in the panel.
void ShowSubjectFile(HWND subjectPanel, const std::string& subjectPath);

// The save folder's own "subject.txt", first copied from the program's template when it is
// missing; shown in the panel. Returns its path, which becomes the current subject.
std::string ShowStartupSubject(HWND subjectPanel, const std::string& saveDir,
                               const std::string& moduleDirectory);

// A click in the list: the selected lesson's subject becomes the current one and is shown,
// and the lesson becomes the selected one. False (nothing changed) when no row is selected.
bool ShowLessonSubject(HWND listView, const LessonList& rows, const std::string& saveDir,
                       HWND subjectPanel, std::string& currentSubjectPath,
                       std::string& selectedLessonFolder);

// A double click: opens the selected lesson's "index.htm" with the shell. False when no row
// is selected.
bool OpenLessonPage(HWND listView, const LessonList& rows, const std::string& saveDir, HWND owner);

// The edit command: edits the current subject in the subject dialog, then shows the file's
// text again, whether the dialog ended with OK or Cancel.
void EditCurrentSubject(HWND owner, const std::string& currentSubjectPath, HWND subjectPanel);
