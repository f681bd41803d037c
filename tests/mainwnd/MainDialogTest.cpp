#include "mainwnd/MainDialog.h"

#include "framework/App.h"
#include "framework/Shell.h"
#include "mainwnd/MainWindowHandle.h"
#include "resources/resource.h"
#include "tests/support/MessageBoxRecorder.h"
#include "tests/support/TempDir.h"

#include <algorithm>
#include <commctrl.h>
#include <gtest/gtest.h>

namespace {
// The main dialog with a record of the commands that reached 1002 (the recording session's).
class ProbeDialog : public MainDialog {
public:
  using MainDialog::MainDialog;
  int recordCommands = 0;
  void CountRecordCommands() {
    OnCommand(IDC_RECORD, [this] { ++recordCommands; });
  }
};

// A program folder with Setup.ini whose save folder lies inside it.
class MainDialogTest : public ::testing::Test {
protected:
  std::string ProgramFolder() const { return folder.Path() + "\\"; }
  std::string SaveDir() const { return folder / "lessons"; }
  void WriteSetup() {
    ASSERT_TRUE(WriteFileBytes(folder / "Setup.ini", "[Setup]\r\nSaveDir=" + SaveDir() + "\r\n"));
  }
  void Open(int language = 0) {
    dialog = std::make_unique<ProbeDialog>(ProgramFolder(), language);
    dialog->CountRecordCommands();
    ASSERT_TRUE(dialog->Create());
    // The capture engine's start-up reports (no camera here, no Windows Media Screen codec
    // under Wine) are checked by its own tests; these tests look at the window's own boxes.
    startupBoxes = boxes.Texts();
    boxes.Clear();
  }
  void TearDown() override {
    if (dialog) dialog->Destroy();
  }
  HWND Hwnd() const { return dialog->Handle(); }
  RECT ClientPlace(int id) const {
    RECT rect;
    GetWindowRect(GetDlgItem(Hwnd(), id), &rect);
    MapWindowPoints(nullptr, Hwnd(), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
  }
  BOOL PressKey(UINT key) {
    MSG msg{Hwnd(), WM_KEYDOWN, key, 1, 0, {}};
    return dialog->PreTranslateMessage(&msg);
  }

  TempDir folder;
  MessageBoxRecorder boxes{IDNO};
  std::vector<std::string> startupBoxes;
  std::unique_ptr<ProbeDialog> dialog;
};
}  // namespace

TEST_F(MainDialogTest, SetUpPlacesTheButtonsAndSizesTheWindow) {
  WriteSetup();
  Open();
  EXPECT_TRUE(boxes.Boxes().empty());
  char caption[64] = {};
  GetWindowTextA(Hwnd(), caption, sizeof(caption));
  EXPECT_STREQ(caption, "Lumora会议记录系统");
  EXPECT_EQ(MainWindowHandle, Hwnd());

  RECT window;
  GetWindowRect(Hwnd(), &window);
  EXPECT_EQ(window.right - window.left, 752);
  EXPECT_EQ(window.bottom - window.top, 475);

  const struct { int id, x, y, width, height; } places[] = {
      {IDC_RECORD, 178, 380, 176, 56},     {IDC_SETTINGS, 503, 402, 56, 20}, {IDC_PACKAGE, 563, 402, 56, 20},
      {IDC_ABOUT, 623, 402, 56, 20},       {IDC_HELP_BUTTON, 683, 402, 56, 20},
      {IDC_EDIT_SUBJECT, 683, 218, 56, 20},
  };
  for (const auto& place : places) {
    RECT rect = ClientPlace(place.id);
    EXPECT_EQ(rect.left, place.x) << place.id;
    EXPECT_EQ(rect.top, place.y) << place.id;
    EXPECT_EQ(rect.right - rect.left, place.width) << place.id;
    EXPECT_EQ(rect.bottom - rect.top, place.height) << place.id;
  }
  for (CSkinButton* button : {&dialog->recordButton, &dialog->settingsButton, &dialog->packageButton,
                              &dialog->aboutButton, &dialog->helpButton, &dialog->editButton}) {
    EXPECT_TRUE(button->HasBitmap(CSkinButton::Normal));
    EXPECT_TRUE(button->HasBitmap(CSkinButton::Pressed));
    EXPECT_TRUE(button->HasBitmap(CSkinButton::Hover));
    EXPECT_FALSE(button->HasBitmap(CSkinButton::Disabled));
  }

  LONG listStyle = GetWindowLongA(GetDlgItem(Hwnd(), IDC_LESSON_LIST), GWL_STYLE);
  EXPECT_EQ(listStyle & LVS_TYPEMASK, LVS_SMALLICON);
  EXPECT_TRUE(listStyle & WS_VISIBLE);

  // The settings were loaded and the save folder made.
  EXPECT_EQ(dialog->moduleDirectory, ProgramFolder());
  EXPECT_EQ(dialog->settings.SaveDir, SaveDir());
  EXPECT_EQ(dialog->settings.EnableTitle, 0);
  EXPECT_NE(GetFileAttributesA(SaveDir().c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);
  EXPECT_NE(GetFileAttributesA(SaveDir().c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_NE(reinterpret_cast<HICON>(SendMessageA(Hwnd(), WM_GETICON, ICON_BIG, 0)), nullptr);
  EXPECT_EQ(SendMessageA(Hwnd(), WM_QUERYDRAGICON, 0, 0), reinterpret_cast<LRESULT>(dialog->appIcon));
}

TEST_F(MainDialogTest, WithoutSetupIniTheWindowSaysSoAndStaysBare) {
  // Without a save folder the subject file is "\subject.txt" of the current drive: keep that
  // on the prefix's drive C.
  char previousDirectory[MAX_PATH] = {};
  GetCurrentDirectoryA(MAX_PATH, previousDirectory);
  ASSERT_TRUE(SetCurrentDirectoryA(folder.Path().c_str()));
  bool hadRootSubject = GetFileAttributesA("\\subject.txt") != INVALID_FILE_ATTRIBUTES;
  Open();
  if (!hadRootSubject) DeleteFileA("\\subject.txt");
  SetCurrentDirectoryA(previousDirectory);
  ASSERT_FALSE(startupBoxes.empty());
  EXPECT_EQ(startupBoxes[0], "Setup.ini文件不存在！");
  // Without settings no device is looked for.
  EXPECT_EQ(std::count(startupBoxes.begin(), startupBoxes.end(), "未发现任何视频采集设备!请检查摄像头连接!"), 0);
  EXPECT_FALSE(dialog->recordButton.HasBitmap(CSkinButton::Normal));
  EXPECT_EQ(GetWindowLongA(GetDlgItem(Hwnd(), IDC_LESSON_LIST), GWL_STYLE) & LVS_TYPEMASK, LVS_LIST);
  RECT window;
  GetWindowRect(Hwnd(), &window);
  EXPECT_NE(window.right - window.left, 752);
  EXPECT_TRUE(dialog->settings.SaveDir.empty());
}

TEST_F(MainDialogTest, StartSubjectComesFromTheTemplateWhenTheSaveFolderHasNone) {
  WriteSetup();
  ASSERT_TRUE(CreateDirectoryA((folder / "template").c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryA((folder / "template\\html").c_str(), nullptr));
  ASSERT_TRUE(WriteFileBytes(folder / "template\\html\\subject.txt", "第一课"));
  Open();
  EXPECT_EQ(dialog->currentSubjectPath, SaveDir() + "\\subject.txt");
  EXPECT_EQ(ReadFileBytes(SaveDir() + "\\subject.txt"), "第一课");
  EXPECT_EQ(dialog->GetItemText(IDC_SUBJECT), "第一课");
}

TEST_F(MainDialogTest, F5ReachesTheRecordCommandAndF1OpensTheHelpMaximised) {
  WriteSetup();
  Open();
  std::vector<std::pair<std::string, int>> opened;
  ShellExecuteHandler previous = SetShellExecuteHandler(
      [&](HWND, const std::string& verb, const std::string& file, const std::string& parameters,
          const std::string& directory, int show) -> INT_PTR {
        EXPECT_EQ(verb, "open");
        EXPECT_TRUE(parameters.empty());
        EXPECT_TRUE(directory.empty());
        opened.emplace_back(file, show);
        return 42;
      });
  EXPECT_TRUE(PressKey(VK_F5));
  EXPECT_EQ(dialog->recordCommands, 1);
  EXPECT_TRUE(PressKey(VK_F1));
  SetShellExecuteHandler(std::move(previous));
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0].first, ProgramFolder() + "Lumora_zh.CHM");
  EXPECT_EQ(opened[0].second, SW_SHOWMAXIMIZED);
  // Other keys take the dialog's own way.
  PressKey(VK_F2);
  EXPECT_EQ(dialog->recordCommands, 1);
  EXPECT_EQ(opened.size(), 1u);
}

TEST_F(MainDialogTest, EnterDoesNothingAndEscAsksBeforeEnding) {
  WriteSetup();
  Open();
  SendMessageA(Hwnd(), WM_COMMAND, IDOK, 0);
  EXPECT_TRUE(boxes.Boxes().empty());
  EXPECT_FALSE(dialog->Ended());

  SendMessageA(Hwnd(), WM_COMMAND, IDCANCEL, 0);
  ASSERT_EQ(boxes.Boxes().size(), 1u);
  EXPECT_EQ(boxes.Boxes()[0].text, "是否退出？");
  EXPECT_EQ(boxes.Boxes()[0].caption, "提示");
  EXPECT_EQ(boxes.Boxes()[0].type, static_cast<UINT>(MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2));
  EXPECT_FALSE(dialog->Ended());

  // The close box and the hidden exit button ask the same question.
  SendMessageA(Hwnd(), WM_CLOSE, 0, 0);
  SendMessageA(Hwnd(), WM_COMMAND, IDC_EXIT, 0);
  EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{"是否退出？", "是否退出？", "是否退出？"}));
  EXPECT_FALSE(dialog->Ended());
  EXPECT_EQ(GetFileAttributesA((folder / "Setup.ini").c_str()) != INVALID_FILE_ATTRIBUTES, true);
  EXPECT_EQ(ReadFileBytes(folder / "Setup.ini").find("FileFormat"), std::string::npos);
}

TEST_F(MainDialogTest, YesWhileRecordingSavesTheSettingsAndEnds) {
  WriteSetup();
  Open();
  dialog->engine.capturing = 1;
  boxes.SetAnswer(IDYES);
  SendMessageA(Hwnd(), WM_COMMAND, IDCANCEL, 0);
  ASSERT_EQ(boxes.Texts().size(), 1u);
  EXPECT_EQ(boxes.Texts()[0], "正在视频捕捉，退出将丢失捕捉内容！\r\n是否确定退出？");
  EXPECT_TRUE(dialog->Ended());
  EXPECT_EQ(dialog->Result(), IDCANCEL);
  EXPECT_EQ(ReadFileBytes(folder / "Setup.ini"),
            "[Setup]\r\nSaveDir=" + SaveDir() +
                "\r\nFileFormat=1\r\nOverlayType=0\r\nOverlayText=Lumora\r\nOverlayPos=\r\nOverlayFontSize=50\r\n"
                "OverlayFontColor=Black\r\nVDeviceIndex=0\r\nADeviceIndex=0\r\n");
}

TEST_F(MainDialogTest, StaticsAndListBoxesGetWhiteOthersTheDefault) {
  WriteSetup();
  Open();
  auto colourFor = [&](UINT message, int id, COLORREF& background) {
    HDC dc = GetDC(Hwnd());
    SetBkColor(dc, RGB(1, 2, 3));
    LRESULT brush = SendMessageA(Hwnd(), message, reinterpret_cast<WPARAM>(dc),
                                 reinterpret_cast<LPARAM>(GetDlgItem(Hwnd(), id)));
    background = GetBkColor(dc);
    ReleaseDC(Hwnd(), dc);
    return reinterpret_cast<HBRUSH>(brush);
  };
  HBRUSH white = nullptr;
  for (UINT message : {UINT(WM_CTLCOLORSTATIC), UINT(WM_CTLCOLORLISTBOX)}) {
    COLORREF background = 0;
    HBRUSH brush = colourFor(message, IDC_SUBJECT, background);
    EXPECT_EQ(background, RGB(255, 255, 255)) << message;
    LOGBRUSH info{};
    ASSERT_TRUE(GetObjectA(brush, sizeof(info), &info)) << message;
    EXPECT_EQ(info.lbStyle, static_cast<UINT>(BS_SOLID));
    EXPECT_EQ(info.lbColor, RGB(255, 255, 255));
    white = brush;
  }
  // Buttons keep the dialog's own colours.
  COLORREF buttonBackground = 0;
  HBRUSH buttonBrush = colourFor(WM_CTLCOLORBTN, IDC_HIDDEN_1007, buttonBackground);
  EXPECT_NE(buttonBrush, white);
  EXPECT_NE(buttonBackground, RGB(255, 255, 255));
}

TEST_F(MainDialogTest, PictureButtonHoverIsPostedToTheApplicationsMainWindow) {
  WriteSetup();
  WinApp app("main window test");
  Open();
  EXPECT_EQ(app.mainWindow, Hwnd());
  HWND record = GetDlgItem(Hwnd(), IDC_RECORD);
  SendMessageA(record, WM_MOUSEMOVE, 0, MAKELPARAM(10, 10));
  SendMessageA(record, WM_MOUSEMOVE, 0, MAKELPARAM(500, 10));
  ReleaseCapture();
  std::vector<std::pair<UINT, WPARAM>> posted;
  MSG msg;
  while (PeekMessageA(&msg, Hwnd(), WM_SKINBUTTON_ENTER, WM_SKINBUTTON_LEAVE, PM_REMOVE))
    posted.emplace_back(msg.message, msg.wParam);
  EXPECT_EQ(posted, (std::vector<std::pair<UINT, WPARAM>>{{WM_SKINBUTTON_ENTER, IDC_RECORD},
                                                          {WM_SKINBUTTON_LEAVE, IDC_RECORD}}));
}

TEST_F(MainDialogTest, RecordButtonSwapsBetweenItsTwoLooks) {
  WriteSetup();
  Open();
  dialog->SetRecordButtonLook(true);
  EXPECT_EQ(dialog->GetItemText(IDC_RECORD), "停止录制");
  EXPECT_TRUE(dialog->recordButton.HasBitmap(CSkinButton::Hover));
  dialog->SetRecordButtonLook(false);
  EXPECT_EQ(dialog->GetItemText(IDC_RECORD), "开始录制");
}
