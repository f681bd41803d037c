#include "lessons/PackageCommandLine.h"
#include "lessons/PackageDialog.h"
#include "lessons/PackageProgress.h"

#include "framework/Handles.h"
#include "framework/Text.h"
#include "resources/resource.h"
#include "tests/support/MessageBoxRecorder.h"
#include "tests/support/TempDir.h"
#include "tools/compress/CommandLine.h"
#include "tools/compress/ExistingArchive.h"
#include "tools/compress/WinZipAes.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <thread>

namespace {
// "乗" is 0x81 0x5C in GBK: its second byte has the value of a backslash.
const std::string kTrailBackslash = "乗";

std::string WindowText(HWND hwnd) {
  char buffer[1024] = {};
  GetWindowTextA(hwnd, buffer, sizeof(buffer));
  return buffer;
}

// The request the archiver reads from the command line Lumora gives it.
ParsedCommand ArchiverReads(const std::string& parameters) {
  std::vector<std::wstring> arguments = SplitCommandLine(AnsiToWide("compress.exe" + parameters));
  arguments.erase(arguments.begin());
  return ParseAddCommand(arguments);
}

// A process that ends at once with the given exit code, as the archiver would.
HANDLE ProcessExitingWith(DWORD code) {
  std::string command = Format("cmd.exe /c exit %lu", code);
  STARTUPINFOA startup = {sizeof(startup)};
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_HIDE;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                      &startup, &process))
    return nullptr;
  CloseHandle(process.hThread);
  return process.hProcess;
}

// What the dialog handed to the shell, with a chosen outcome.
struct ArchiverStarts {
  struct Start {
    ULONG mask;
    HWND owner;
    std::string verb, file, parameters, directory;
    int show;
  };
  std::vector<Start> starts;
  bool startSucceeds = true;
  DWORD exitCode = 0;
  StartArchiverHandler previous;
  ArchiverStarts() {
    previous = SetStartArchiverHandler([this](SHELLEXECUTEINFOA& info) -> BOOL {
      starts.push_back({info.fMask, info.hwnd, info.lpVerb, info.lpFile, info.lpParameters,
                        info.lpDirectory, info.nShow});
      if (!startSucceeds) return FALSE;
      info.hProcess = ProcessExitingWith(exitCode);
      return info.hProcess != nullptr;
    });
  }
  ~ArchiverStarts() { SetStartArchiverHandler(previous); }
};

struct OpenPackageDialog {
  PackageDialog dialog{"D:\\课程\\20240301080000", "C:\\Lumora\\", nullptr};
  OpenPackageDialog() {
    EXPECT_TRUE(dialog.Create());
    ShowWindow(dialog.Handle(), SW_SHOW);
  }
  void Type(const std::string& name, const std::string& password) {
    dialog.SetItemText(IDC_PACKAGE_NAME, name);
    dialog.SetItemText(IDC_PACKAGE_PASSWORD, password);
  }
  void PressOk() { SendMessageA(dialog.Handle(), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0); }
};

// How long a window stays up for a screenshot taken from outside (LUMORA_SCREENSHOT_PAUSE_MS,
// unset in ordinary runs).
DWORD ScreenshotPause() {
  const char* pause = std::getenv("LUMORA_SCREENSHOT_PAUSE_MS");
  return pause ? static_cast<DWORD>(std::atoi(pause)) : 0;
}

// Keeps the windows painting during that pause.
void PumpForScreenshot() {
  DWORD end = GetTickCount() + ScreenshotPause();
  MSG msg;
  while (static_cast<LONG>(end - GetTickCount()) > 0) {
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    Sleep(20);
  }
}

// Inside the modal loop: types a name and a password and presses OK, as the teacher would.
void CALLBACK FillAndConfirmPackageDialog(HWND, UINT, UINT_PTR id, DWORD) {
  HWND dialog = FindWindowA(nullptr, "加密");
  if (!dialog) return;
  KillTimer(nullptr, id);
  SetDlgItemTextA(dialog, IDC_PACKAGE_NAME, "lesson");
  SetDlgItemTextA(dialog, IDC_PACKAGE_PASSWORD, "pw");
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
}

// The program folder as Lumora keeps it: the Windows path of the built dist folder.
std::string DistFolder() {
  const char* dist = std::getenv("LUMORA_DIST");
  if (!dist) return {};
  std::string path = std::string("Z:") + dist + "/";
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}
}  // namespace

TEST(PackageCommandLine, PlainInputsGiveTheFormatExactly) {
  EXPECT_EQ(PackageParameters("secret", "D:\\课程\\20240301080000", "lesson1", "D:\\课程\\20240301080000"),
            " a -tzip -psecret \"D:\\课程\\20240301080000\\lesson1\" \"D:\\课程\\20240301080000\\*\" -r");
  // A name without an extension goes as typed; the archiver adds ".zip".
  EXPECT_EQ(PackageArchivePath("D:\\out", "lesson1"), "D:\\out\\lesson1.zip");
  EXPECT_EQ(PackageArchivePath("D:\\out", "lesson1.zip"), "D:\\out\\lesson1.zip");
  EXPECT_EQ(PackageArchivePath("D:\\v1.2", "lesson"), "D:\\v1.2\\lesson.zip");
}

TEST(PackageCommandLine, QuotesOnlyWhatNeedsIt) {
  EXPECT_EQ(QuoteArgumentIfNeeded("abc"), "abc");
  EXPECT_EQ(QuoteArgumentIfNeeded("a\\b"), "a\\b");
  EXPECT_EQ(QuoteArgumentIfNeeded("a b"), "\"a b\"");
  EXPECT_EQ(QuoteArgumentIfNeeded("say \"hi\""), "\"say \\\"hi\\\"\"");
  EXPECT_EQ(QuoteArgumentIfNeeded("end\\ x\\"), "\"end\\ x\\\\\"");
  EXPECT_EQ(QuoteArgumentIfNeeded(""), "\"\"");
  // The GBK character with a backslash-valued second byte is not a backslash.
  EXPECT_EQ(QuoteArgumentIfNeeded(kTrailBackslash + "\""), "\"" + kTrailBackslash + "\\\"\"");
}

TEST(PackageCommandLine, ArchiverReceivesEveryPasswordUnchanged) {
  const std::string passwords[] = {
      "secret", "my pass", "\"", "\\", "a\\\"b", "end\\", "\\\\\"", "  ", "tab\there",
      "\"quoted\" and \\\\\"more\\", "密码 一", kTrailBackslash, kTrailBackslash + "\"", "-p", "a\"\"b",
  };
  const std::string folder = "D:\\课程 春\\20240301080000";
  for (const std::string& password : passwords) {
    ParsedCommand parsed = ArchiverReads(PackageParameters(password, folder, "第一课", folder));
    ASSERT_TRUE(parsed.ok) << password << ": " << WideToAnsi(parsed.error);
    EXPECT_EQ(parsed.request.password, AnsiToWide(password)) << password;
    EXPECT_EQ(parsed.request.archive, AnsiToWide(folder + "\\第一课.zip")) << password;
    EXPECT_EQ(parsed.request.sourceFolder, AnsiToWide(folder)) << password;
  }
  // A drive root chosen as the target gives a doubled separator, which Windows accepts.
  ParsedCommand parsed = ArchiverReads(PackageParameters("pw", "E:\\", "课", folder));
  ASSERT_TRUE(parsed.ok);
  EXPECT_EQ(parsed.request.archive, L"E:\\\\课.zip");
}

TEST(PackageCommandLine, FileNameProblems) {
  EXPECT_EQ(FileNameProblem(""), "请输入文件名。");
  EXPECT_EQ(FileNameProblem("   "), "请输入文件名。");
  for (const char* bad : {"a\\b", "a/b", "c:x", "a*", "a?", "a\"b", "a<b", "a>b", "a|b", "end\\"})
    EXPECT_NE(FileNameProblem(bad).find("文件名不能包含"), std::string::npos) << bad;
  EXPECT_EQ(FileNameProblem("第一课 复习.zip"), "");
  EXPECT_EQ(FileNameProblem(kTrailBackslash), "");
}

TEST(PackageDialog, ShowsTheLessonFolderAndEmptyFields) {
  OpenPackageDialog open;
  PackageDialog& dialog = open.dialog;
  EXPECT_EQ(WindowText(dialog.Handle()), "加密");
  EXPECT_EQ(dialog.GetItemText(IDC_PACKAGE_FOLDER_LABEL), "保存路径：");
  EXPECT_EQ(dialog.GetItemText(IDC_PACKAGE_NAME_LABEL), "文件名：");
  EXPECT_EQ(dialog.GetItemText(IDC_PACKAGE_PASSWORD_LABEL), "密码：");
  EXPECT_EQ(dialog.GetItemText(IDC_PACKAGE_FOLDER), "D:\\课程\\20240301080000");
  EXPECT_EQ(dialog.sourceFolder, "D:\\课程\\20240301080000");
  EXPECT_EQ(dialog.GetItemText(IDC_PACKAGE_NAME), "");
  EXPECT_EQ(dialog.GetItemText(IDC_PACKAGE_PASSWORD), "");
  EXPECT_TRUE(GetWindowLongA(dialog.Item(IDC_PACKAGE_FOLDER), GWL_STYLE) & ES_READONLY);
  EXPECT_TRUE(GetWindowLongA(dialog.Item(IDC_PACKAGE_PASSWORD), GWL_STYLE) & ES_PASSWORD);
  EXPECT_EQ(dialog.GetItemText(IDC_PACKAGE_BROWSE), "...");
  auto* ok = dynamic_cast<CSkinButton*>(Window::FromHandle(dialog.Item(IDOK)));
  auto* cancel = dynamic_cast<CSkinButton*>(Window::FromHandle(dialog.Item(IDCANCEL)));
  ASSERT_TRUE(ok && cancel);
  EXPECT_TRUE(ok->HasBitmap(CSkinButton::Normal) && ok->HasBitmap(CSkinButton::Pressed) &&
              ok->HasBitmap(CSkinButton::Hover));
  EXPECT_TRUE(cancel->HasBitmap(CSkinButton::Normal) && cancel->HasBitmap(CSkinButton::Hover));
  open.Type("第一课", "secret");
  PumpForScreenshot();
}

TEST(PackageDialog, RefusesEmptyOrUnusableInputAndStaysOpen) {
  const struct { const char* name; const char* password; const char* message; } cases[] = {
      {"", "secret", "请输入文件名。"},
      {"  ", "secret", "请输入文件名。"},
      {"lesson", "", "请输入密码。"},
      {"", "", "请输入文件名。"},
      {"a\\b", "secret", "文件名不能包含下列字符：\\ / : * ? \" < > |"},
  };
  for (const auto& c : cases) {
    MessageBoxRecorder boxes;
    ArchiverStarts archiver;
    OpenPackageDialog open;
    open.Type(c.name, c.password);
    open.PressOk();
    ASSERT_EQ(boxes.Texts(), std::vector<std::string>{c.message}) << c.name << "/" << c.password;
    EXPECT_EQ(boxes.Boxes()[0].owner, open.dialog.Handle());
    EXPECT_EQ(boxes.Boxes()[0].caption, "提示");
    EXPECT_FALSE(open.dialog.Ended());
    EXPECT_TRUE(archiver.starts.empty());
  }
}

TEST(PackageDialog, OkStartsTheArchiverAsFixedAndSuccessStaysSilent) {
  MessageBoxRecorder boxes;
  ArchiverStarts archiver;
  OpenPackageDialog open;
  open.Type("第一课", "my \"pass\" \\");
  open.PressOk();
  ASSERT_EQ(archiver.starts.size(), 1u);
  const auto& start = archiver.starts[0];
  EXPECT_EQ(start.mask, 0x04008340u);
  EXPECT_EQ(start.owner, nullptr);
  EXPECT_EQ(start.verb, "open");
  EXPECT_EQ(start.file, "compress.exe");
  EXPECT_EQ(start.directory, "C:\\Lumora\\");
  EXPECT_EQ(start.show, SW_HIDE);
  EXPECT_EQ(start.parameters,
            " a -tzip -p\"my \\\"pass\\\" \\\\\" \"D:\\课程\\20240301080000\\第一课\" \"D:\\课程\\20240301080000\\*\" -r");
  EXPECT_TRUE(boxes.Texts().empty());
  EXPECT_TRUE(open.dialog.Ended());
  EXPECT_EQ(open.dialog.Result(), IDOK);
  // The progress window is gone and the dialog takes input again.
  EXPECT_EQ(FindWindowA(kPackageProgressClass, nullptr), nullptr);
  EXPECT_TRUE(IsWindowEnabled(open.dialog.Handle()));
}

TEST(PackageDialog, ReportsAFailedOrMissingArchiverNamingTheArchive) {
  const struct { bool starts; DWORD exitCode; const char* part; } cases[] = {
      {false, 0, "无法启动压缩程序“compress.exe”"},
      {true, 1, "有文件无法读取"},
      {true, 2, "打包失败"},
      {true, 7, "不接受给出的参数"},
      {true, 255, "代码 255"},
  };
  for (const auto& c : cases) {
    MessageBoxRecorder boxes;
    ArchiverStarts archiver;
    archiver.startSucceeds = c.starts;
    archiver.exitCode = c.exitCode;
    OpenPackageDialog open;
    open.Type("第一课", "secret");
    open.PressOk();
    ASSERT_EQ(boxes.Boxes().size(), 1u) << c.part;
    const std::string& text = boxes.Boxes()[0].text;
    EXPECT_NE(text.find(c.part), std::string::npos) << text;
    EXPECT_NE(text.find("D:\\课程\\20240301080000\\第一课.zip"), std::string::npos) << text;
    EXPECT_TRUE(open.dialog.Ended());
  }
}

TEST(PackageDialog, BrowseChangesOnlyTheTarget) {
  std::vector<std::string> answers;
  bool pickerCancels = false;
  std::string pickerTitle;
  FolderPickerHandler previous = SetFolderPickerHandler(
      [&](HWND, const std::string& title, std::string& path) {
        pickerTitle = title;
        if (pickerCancels) return false;
        path = answers.back();
        return true;
      });
  MessageBoxRecorder boxes;
  ArchiverStarts archiver;
  OpenPackageDialog open;
  auto browse = [&] { SendMessageA(open.dialog.Handle(), WM_COMMAND, MAKEWPARAM(IDC_PACKAGE_BROWSE, BN_CLICKED), 0); };

  answers = {"E:\\交作业"};
  browse();
  EXPECT_EQ(pickerTitle, "选择文件夹：");
  EXPECT_EQ(open.dialog.GetItemText(IDC_PACKAGE_FOLDER), "E:\\交作业");
  // A folder without a file-system path keeps the previous one.
  answers = {""};
  browse();
  EXPECT_EQ(boxes.Texts(), std::vector<std::string>{"Selected Dir is NOT Correct,Please select again!"});
  EXPECT_EQ(open.dialog.GetItemText(IDC_PACKAGE_FOLDER), "E:\\交作业");
  pickerCancels = true;
  browse();
  EXPECT_EQ(open.dialog.GetItemText(IDC_PACKAGE_FOLDER), "E:\\交作业");
  EXPECT_EQ(boxes.Texts().size(), 1u);

  open.Type("lesson", "pw");
  open.PressOk();
  ASSERT_EQ(archiver.starts.size(), 1u);
  EXPECT_EQ(archiver.starts[0].parameters,
            " a -tzip -ppw \"E:\\交作业\\lesson\" \"D:\\课程\\20240301080000\\*\" -r");
  SetFolderPickerHandler(previous);
}

TEST(PackageCommand, WithoutASelectionMarkTheDialogDoesNotOpen) {
  MessageBoxRecorder boxes;
  ArchiverStarts archiver;
  HWND owner = CreateWindowExA(0, "STATIC", "main", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200, nullptr, nullptr,
                               nullptr, nullptr);
  HWND list = CreateWindowExA(0, WC_LISTVIEWA, "", WS_CHILD | LVS_REPORT, 0, 0, 200, 100, owner, nullptr,
                              nullptr, nullptr);
  RunPackageCommand(owner, list, "D:\\课程\\20240301080000", "C:\\Lumora\\");
  ASSERT_EQ(boxes.Boxes().size(), 1u);
  EXPECT_EQ(boxes.Boxes()[0].text, "请选中需要加密的课程。");
  EXPECT_EQ(boxes.Boxes()[0].caption, "提示");
  EXPECT_EQ(boxes.Boxes()[0].owner, owner);
  EXPECT_EQ(boxes.Boxes()[0].type & MB_TYPEMASK, static_cast<UINT>(MB_OK));
  EXPECT_TRUE(archiver.starts.empty());
  DestroyWindow(owner);
}

// The dialog packs the lesson last clicked (`selectedLessonFolder`), not the row the keyboard
// moved the selection to afterwards.
TEST(PackageCommand, PacksTheClickedLessonNotTheKeyboardSelection) {
  MessageBoxRecorder boxes;
  ArchiverStarts archiver;
  archiver.startSucceeds = false;
  HWND owner = CreateWindowExA(0, "STATIC", "main", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200, nullptr, nullptr,
                               nullptr, nullptr);
  HWND list = CreateWindowExA(0, WC_LISTVIEWA, "", WS_CHILD | LVS_REPORT, 0, 0, 200, 100, owner, nullptr,
                              nullptr, nullptr);
  LVCOLUMNA column = {LVCF_WIDTH, 0, 150};
  ListView_InsertColumn(list, 0, &column);
  for (int row = 0; row < 2; ++row) {
    LVITEMA item = {LVIF_TEXT, row};
    item.pszText = const_cast<char*>(row ? "02" : "01");
    ListView_InsertItem(list, &item);
  }
  ListView_SetSelectionMark(list, 1);
  ListView_SetItemState(list, 1, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);

  // Inside the modal loop: type a name and a password and press OK, as the teacher would.
  SetTimer(nullptr, 0, 100, FillAndConfirmPackageDialog);
  RunPackageCommand(owner, list, "D:\\lessons\\01", "C:\\Lumora\\");
  ASSERT_EQ(archiver.starts.size(), 1u);
  EXPECT_EQ(archiver.starts[0].parameters, " a -tzip -ppw \"D:\\lessons\\01\\lesson\" \"D:\\lessons\\01\\*\" -r");

  // A selection mark without any clicked lesson is refused like no selection.
  boxes.Clear();
  RunPackageCommand(owner, list, "", "C:\\Lumora\\");
  EXPECT_EQ(boxes.Texts(), std::vector<std::string>{"请选中需要加密的课程。"});
  EXPECT_EQ(archiver.starts.size(), 1u);
  DestroyWindow(owner);
}

TEST(PackageProgress, ShowsAMovingBarOverTheDisabledOwnerUntilTheWorkEnds) {
  HWND owner = CreateWindowExA(0, "STATIC", "owner", WS_POPUP | WS_VISIBLE, 100, 100, 400, 300, nullptr,
                               nullptr, nullptr, nullptr);
  UniqueHandle done(CreateEventA(nullptr, TRUE, FALSE, nullptr));
  std::atomic<bool> sawWindow{false}, ownerDisabled{false}, barMoved{false};
  DWORD uiThread = GetCurrentThreadId();
  std::thread watcher([&] {
    HWND window = nullptr;
    for (int i = 0; i < 100 && !window; ++i, Sleep(50)) window = FindWindowA(kPackageProgressClass, nullptr);
    sawWindow = window && IsWindowVisible(window) && GetWindow(window, GW_OWNER) == owner &&
                WindowText(window) == "加密";
    ownerDisabled = !IsWindowEnabled(owner);
    if (window) {
      HWND bar = GetDlgItem(window, kPackageProgressBarId);
      LRESULT first = SendMessageA(bar, PBM_GETPOS, 0, 0);
      Sleep(400);
      barMoved = SendMessageA(bar, PBM_GETPOS, 0, 0) != first;
      Sleep(ScreenshotPause());
    }
    // A quit request during the wait is kept for the main loop.
    PostThreadMessageA(uiThread, WM_QUIT, 3, 0);
    Sleep(100);
    SetEvent(done.Get());
  });
  WaitShowingProgress(done.Get(), owner, "D:\\课程\\20240301080000\\第一课.zip");
  watcher.join();
  EXPECT_TRUE(sawWindow);
  EXPECT_TRUE(ownerDisabled);
  EXPECT_TRUE(barMoved);
  EXPECT_TRUE(IsWindowEnabled(owner));
  EXPECT_EQ(FindWindowA(kPackageProgressClass, nullptr), nullptr);
  MSG msg;
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(msg.wParam, 3u);
  DestroyWindow(owner);
}

// The whole road with the real "compress.exe" of the program folder: the archive appears in
// the lesson folder, holds the lesson, and opens with the password exactly as typed.
TEST(PackageDialog, RealArchiverPacksTheLessonWithTheTypedPassword) {
  std::string dist = DistFolder();
  ASSERT_FALSE(dist.empty()) << "LUMORA_DIST is not set";
  ASSERT_NE(GetFileAttributesA((dist + "compress.exe").c_str()), INVALID_FILE_ATTRIBUTES);
  TempDir dir;
  std::string lesson = dir / "20240301080000";
  CreateDirectoryA(lesson.c_str(), nullptr);
  CreateDirectoryA((lesson + "\\html").c_str(), nullptr);
  WriteFileBytes(lesson + "\\index.htm", "<html></html>");
  WriteFileBytes(lesson + "\\html\\subject.txt", "第一课");
  const std::string password = "my \"pass\" \\ " + kTrailBackslash;

  MessageBoxRecorder boxes;
  PackageDialog dialog(lesson, dist, nullptr);
  ASSERT_TRUE(dialog.Create());
  dialog.SetItemText(IDC_PACKAGE_NAME, "第一课");
  dialog.SetItemText(IDC_PACKAGE_PASSWORD, password);
  SendMessageA(dialog.Handle(), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  EXPECT_TRUE(boxes.Texts().empty()) << (boxes.Texts().empty() ? "" : boxes.Texts()[0]);

  ExistingArchive archive;
  std::wstring problem;
  ASSERT_TRUE(archive.Open(AnsiToWide(lesson + "\\第一课.zip"), problem)) << WideToAnsi(problem);
  std::vector<std::string> names;
  for (const auto& record : archive.Records()) names.push_back(record.name);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"html/", "html/subject.txt", "index.htm"}));
  archive.Close();

  // The password verifier after the salt of the first file matches the typed password.
  std::string bytes = ReadFileBytes(lesson + "\\第一课.zip");
  size_t local = bytes.find("index.htm");
  ASSERT_NE(local, std::string::npos);
  size_t data = local + 9 + 11;  // name, then the AES extra field
  uint8_t salt[kAesSaltSize];
  std::copy(bytes.begin() + data, bytes.begin() + data + kAesSaltSize, salt);
  std::wstring wide = AnsiToWide(password);
  int size = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), &utf8[0], size, nullptr, nullptr);
  uint8_t derived[66];
  ASSERT_TRUE(DerivePbkdf2Sha1(utf8, salt, sizeof(salt), 1000, derived, sizeof(derived)));
  EXPECT_EQ(bytes.substr(data + kAesSaltSize, 2), std::string(reinterpret_cast<char*>(derived + 64), 2));
}
