// The package command of the main window (button 1086) and its dialog (dialog 177, "加密"):
// target folder, archive name and password, then "compress.exe" packs the lesson folder
// while the program waits and shows that it is working.
#pragma once
#include "controls/SkinButton.h"
#include "framework/Dialog.h"

#include <windows.h>
#include <shellapi.h>
#include <functional>
#include <string>

// Seams for tests, each with the real call as its default (an empty handler restores it).
// Starting the archiver: ShellExecuteExA.
using StartArchiverHandler = std::function<BOOL(SHELLEXECUTEINFOA& info)>;
StartArchiverHandler SetStartArchiverHandler(StartArchiverHandler handler);
// The shell's folder browser with the given title; false when cancelled, otherwise true with
// the folder's path, which is empty for a folder outside the file system.
using FolderPickerHandler = std::function<bool(HWND owner, const std::string& title, std::string& path)>;
FolderPickerHandler SetFolderPickerHandler(FolderPickerHandler handler);

// The archiver's mask: SEE_MASK_NOCLOSEPROCESS, SEE_MASK_FLAG_DDEWAIT, SEE_MASK_DOENVSUBST,
// SEE_MASK_NO_CONSOLE, SEE_MASK_FLAG_LOG_USAGE.
constexpr ULONG kArchiverMask = 0x04008340;

class PackageDialog : public Dialog {
public:
  // `lessonFolder` is both the lesson to pack and the first target folder; `programFolder`
  // (ending in a backslash) holds "compress.exe".
  PackageDialog(std::string lessonFolder, std::string programDirectory, HWND parent);

  std::string saveFolder;
  std::string sourceFolder;
  std::string fileName;
  std::string password;
  std::string programFolder;

protected:
  BOOL OnInitDialog() override;
  void OnOK() override;

private:
  void Browse();
  // Refuses an empty password or an unusable file name with a message; true when both are fine.
  bool InputAccepted();
  // Starts the archiver, waits for it and reports a failure naming the archive.
  void RunArchiver();

  CSkinButton okButton_;
  CSkinButton cancelButton_;
};

// Button 1086: "请选中需要加密的课程。" when the list has no selection mark (or no lesson was
// clicked yet), otherwise the package dialog for `selectedLessonFolder`.
void RunPackageCommand(HWND mainWindow, HWND lessonList, const std::string& selectedLessonFolder,
                       const std::string& programFolder);
