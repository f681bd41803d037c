#include "lessons/LessonActions.h"

#include "framework/Shell.h"
#include "lessons/PartsScripts.h"
#include "lessons/SubjectEditDialog.h"
#include "lessons/SubjectFile.h"

void ShowSubjectFile(HWND subjectPanel, const std::string& subjectPath) {
  SetWindowTextA(subjectPanel, ReadSubject(subjectPath).c_str());
}

std::string ShowStartupSubject(HWND subjectPanel, const std::string& saveDir,
                               const std::string& moduleDirectory) {
  std::string path = saveDir + "\\subject.txt";
  if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
    std::string templateSubject = moduleDirectory + "\\template\\html\\subject.txt";
    CopyFileA(templateSubject.c_str(), path.c_str(), FALSE);
  }
  ShowSubjectFile(subjectPanel, path);
  return path;
}

bool ShowLessonSubject(HWND listView, const LessonList& rows, const std::string& saveDir,
                       HWND subjectPanel, std::string& currentSubjectPath,
                       std::string& selectedLessonFolder) {
  std::string folderName = rows.SelectedFolderName(listView);
  if (folderName.empty()) return false;
  currentSubjectPath = LessonSubjectPath(saveDir, folderName);
  selectedLessonFolder = LessonFolderPath(saveDir, folderName);
  ShowSubjectFile(subjectPanel, currentSubjectPath);
  return true;
}

bool OpenLessonPage(HWND listView, const LessonList& rows, const std::string& saveDir, HWND owner) {
  std::string folderName = rows.SelectedFolderName(listView);
  if (folderName.empty()) return false;
  // The lists of files may have grown since the stop (a part begun as the stop came), or been
  // left unwritten by a program that ended during the recording.
  WriteRecordingPartsScripts(LessonFolderPath(saveDir, folderName) + "\\html");
  ShellExecuteFile(owner, "open", LessonPagePath(saveDir, folderName), "", "", SW_SHOW);
  return true;
}

void EditCurrentSubject(HWND owner, const std::string& currentSubjectPath, HWND subjectPanel) {
  SubjectEditDialog dialog(currentSubjectPath, owner);
  dialog.DoModal();
  ShowSubjectFile(subjectPanel, currentSubjectPath);
}
