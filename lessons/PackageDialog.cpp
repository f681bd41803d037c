#include "lessons/PackageDialog.h"

#include "framework/Handles.h"
#include "framework/MessageBox.h"
#include "framework/Text.h"
#include "lessons/PackageCommandLine.h"
#include "lessons/PackageProgress.h"
#include "resources/resource.h"

#include <commctrl.h>
#include <shlobj.h>
#include <utility>

namespace {
const char kNoticeCaption[] = "提示";

StartArchiverHandler& StartArchiverSeam() {
  static StartArchiverHandler handler;
  return handler;
}

FolderPickerHandler& FolderPickerSeam() {
  static FolderPickerHandler handler;
  return handler;
}

BOOL StartArchiver(SHELLEXECUTEINFOA& info) {
  if (StartArchiverSeam()) return StartArchiverSeam()(info);
  return ShellExecuteExA(&info);
}

bool PickFolder(HWND owner, const std::string& title, std::string& path) {
  if (FolderPickerSeam()) return FolderPickerSeam()(owner, title, path);
  BROWSEINFOA browse = {};
  browse.hwndOwner = owner;
  browse.lpszTitle = title.c_str();
  browse.ulFlags = BIF_NEWDIALOGSTYLE;
  LPITEMIDLIST picked = SHBrowseForFolderA(&browse);
  if (!picked) return false;
  char buffer[MAX_PATH] = {};
  if (!SHGetPathFromIDListA(picked, buffer)) buffer[0] = '\0';
  CoTaskMemFree(picked);
  path = buffer;
  return true;
}

// What the teacher is told when the archive was not made as asked; empty on success.
std::string ArchiverFailureText(bool started, DWORD exitCode, const std::string& archive) {
  if (!started) return "无法启动压缩程序“compress.exe”，课程没有打包：\r\n" + archive;
  switch (exitCode) {
    case 0: return {};
    case 1: return "课程已打包，但有文件无法读取，没有包含在压缩包中：\r\n" + archive;
    case 2: return "打包失败，没有写成压缩包：\r\n" + archive;
    case 7: return "压缩程序不接受给出的参数，课程没有打包：\r\n" + archive;
    default:
      return Format("压缩程序异常结束（代码 %lu），压缩包可能不完整：\r\n", exitCode) + archive;
  }
}
}  // namespace

StartArchiverHandler SetStartArchiverHandler(StartArchiverHandler handler) {
  return std::exchange(StartArchiverSeam(), std::move(handler));
}

FolderPickerHandler SetFolderPickerHandler(FolderPickerHandler handler) {
  return std::exchange(FolderPickerSeam(), std::move(handler));
}

PackageDialog::PackageDialog(std::string lessonFolder, std::string programDirectory, HWND parent)
    : Dialog(IDD_PACKAGE, parent),
      saveFolder(std::move(lessonFolder)),
      programFolder(std::move(programDirectory)) {
  OnCommand(IDC_PACKAGE_BROWSE, [this] { Browse(); });
}

BOOL PackageDialog::OnInitDialog() {
  SetWindowTextA(hwnd_, "加密");
  SetItemText(IDC_PACKAGE_FOLDER_LABEL, "保存路径：");
  SetItemText(IDC_PACKAGE_NAME_LABEL, "文件名：");
  SetItemText(IDC_PACKAGE_PASSWORD_LABEL, "密码：");
  SetItemText(IDC_PACKAGE_FOLDER, saveFolder);
  SetItemText(IDC_PACKAGE_NAME, fileName);
  SetItemText(IDC_PACKAGE_PASSWORD, password);
  okButton_.SubclassDlgItem(IDOK, hwnd_);
  okButton_.LoadBitmaps(IDB_OK_NORMAL, IDB_OK_PRESSED, IDB_OK_HOVER, 0);
  cancelButton_.SubclassDlgItem(IDCANCEL, hwnd_);
  cancelButton_.LoadBitmaps(IDB_CANCEL_NORMAL, IDB_CANCEL_PRESSED, IDB_CANCEL_HOVER, 0);
  sourceFolder = saveFolder;
  return TRUE;
}

void PackageDialog::Browse() {
  std::string picked;
  if (!PickFolder(hwnd_, "选择文件夹：", picked)) return;
  if (picked.empty()) {
    AppMessageBox("Selected Dir is NOT Correct,Please select again!");
    return;
  }
  saveFolder = picked;
  SetItemText(IDC_PACKAGE_FOLDER, saveFolder);
}

bool PackageDialog::InputAccepted() {
  std::string problem = FileNameProblem(fileName);
  int field = IDC_PACKAGE_NAME;
  if (problem.empty() && password.empty()) {
    problem = "请输入密码。";
    field = IDC_PACKAGE_PASSWORD;
  }
  if (problem.empty()) return true;
  ShowMessageBox(hwnd_, problem, kNoticeCaption, MB_OK | MB_ICONINFORMATION);
  SetFocus(Item(field));
  return false;
}

void PackageDialog::OnOK() {
  saveFolder = GetItemText(IDC_PACKAGE_FOLDER);
  fileName = GetItemText(IDC_PACKAGE_NAME);
  password = GetItemText(IDC_PACKAGE_PASSWORD);
  if (!InputAccepted()) return;
  RunArchiver();
  EndDialog(IDOK);
}

void PackageDialog::RunArchiver() {
  std::string parameters = PackageParameters(password, saveFolder, fileName, sourceFolder);
  SHELLEXECUTEINFOA info = {};
  info.cbSize = sizeof(info);
  info.fMask = kArchiverMask;
  info.hwnd = nullptr;
  info.lpVerb = "open";
  info.lpFile = "compress.exe";
  info.lpParameters = parameters.c_str();
  info.lpDirectory = programFolder.c_str();
  info.nShow = SW_HIDE;
  bool started = StartArchiver(info) && info.hProcess;

  DWORD exitCode = 0;
  if (started) {
    UniqueHandle process(info.hProcess);
    WaitShowingProgress(process.Get(), hwnd_, PackageArchivePath(saveFolder, fileName));
    if (!GetExitCodeProcess(process.Get(), &exitCode)) exitCode = static_cast<DWORD>(-1);
  }
  std::string failure = ArchiverFailureText(started, exitCode, PackageArchivePath(saveFolder, fileName));
  if (!failure.empty()) ShowMessageBox(hwnd_, failure, kNoticeCaption, MB_OK | MB_ICONWARNING);
}

void RunPackageCommand(HWND mainWindow, HWND lessonList, const std::string& selectedLessonFolder,
                       const std::string& programFolder) {
  // Without a clicked lesson the source would be "\*", the root of the current drive.
  if (ListView_GetSelectionMark(lessonList) == -1 || selectedLessonFolder.empty()) {
    ShowMessageBox(mainWindow, "请选中需要加密的课程。", kNoticeCaption, MB_OK);
    return;
  }
  PackageDialog dialog(selectedLessonFolder, programFolder, mainWindow);
  dialog.DoModal();
}
