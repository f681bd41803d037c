#include "mainwnd/MainDialog.h"

#include "app/Help.h"
#include "app/SingleInstance.h"
#include "capture/CaptureMessages.h"
#include "framework/App.h"
#include "framework/MessageBox.h"
#include "lessons/LessonActions.h"
#include "lessons/PackageDialog.h"
#include "lessons/SettingsDialog.h"
#include "mainwnd/AboutDialog.h"
#include "mainwnd/FolderOps.h"
#include "mainwnd/InterruptedLessons.h"
#include "mainwnd/MainWindowHandle.h"
#include "resources/resource.h"

#include <commctrl.h>
#include <objbase.h>
#include <vector>

namespace {
constexpr int kWindowWidth = 752;
constexpr int kWindowHeight = 475;
constexpr COLORREF kWhite = RGB(255, 255, 255);

// A picture button's place in client pixels and its normal, pressed and hover pictures.
struct ButtonPlace {
  int id;
  int x, y, width, height;
  UINT normal, pressed, hover;
};
}  // namespace

MainDialog::MainDialog(std::string appModuleDirectory, int appLanguage)
    : Dialog(IDD_MAIN),
      appModuleDirectory_(std::move(appModuleDirectory)),
      appLanguage_(appLanguage),
      whiteBrush_(CreateSolidBrush(kWhite)) {
  appIcon = LoadIconA(ResourceInstance(), MAKEINTRESOURCEA(IDI_LUMORA));

  // Commands. 1088 (帮助) has no action of its own: F1 opens the help.
  OnCommand(IDC_RECORD, [this] { ToggleRecording(); });
  OnCommand(ID_SNAPSHOT, [this] { RequestSnapshot(); });
  OnCommand(ID_PAUSE_RECORDING, [this] {
    if (engine.capturing) TogglePause();
  });
  OnCommand(IDC_SETTINGS, [this] { ShowSettings(); });
  OnCommand(IDC_ABOUT, [this] { ShowAbout(); });
  OnCommand(ID_HELP_CONTENTS, [this] { ShowHelp(); });
  OnCommand(IDC_EXIT, [this] { SendMessageA(hwnd_, WM_CLOSE, 0, 0); });
  OnCommand(IDC_EDIT_SUBJECT, [this] { EditSubject(); });
  OnCommand(IDC_PACKAGE, [this] {
    // A lesson still under repair is packed once its recording is whole.
    if (LessonUnderRepair(selectedLessonFolder)) return (void)MessageBeep(MB_ICONEXCLAMATION);
    RunPackageCommand(hwnd_, Item(IDC_LESSON_LIST), selectedLessonFolder, moduleDirectory);
  });

  // Window messages.
  OnMessage(WM_CLOSE, [this](WPARAM, LPARAM) -> LRESULT {
    ConfirmExit();
    return 0;
  });
  OnMessage(WM_CTLCOLORSTATIC, [this](WPARAM wp, LPARAM lp) { return OnControlColour(WM_CTLCOLORSTATIC, wp, lp); });
  OnMessage(WM_CTLCOLORLISTBOX, [this](WPARAM wp, LPARAM lp) { return OnControlColour(WM_CTLCOLORLISTBOX, wp, lp); });
  OnMessage(WM_PAINT, [this](WPARAM, LPARAM) { return OnPaint(); });
  OnMessage(WM_HOTKEY, [this](WPARAM wp, LPARAM) -> LRESULT {
    if (wp == kSnapshotHotKeyId) RequestSnapshot();
    if (wp == kPauseHotKeyId) OnPauseKey();
    if (wp == kStopHotKeyId) OnStopKey();
    if (wp == kMarkHotKeyId && engine.capturing) OnMark();
    return 0;
  });
  OnMessage(WM_QUERYDRAGICON, [this](WPARAM, LPARAM) { return reinterpret_cast<LRESULT>(appIcon); });
  OnMessage(ScreenRecordingWatch::Message(), [this](WPARAM wp, LPARAM lp) -> LRESULT {
    OnScreenRecordingEnded(wp, lp);
    return 0;
  });
  OnMessage(LessonRepairWorker::Message(), [this](WPARAM wp, LPARAM) -> LRESULT {
    OnLessonRepairNews(wp);
    return 0;
  });

  // The recording status: its timer, its notification icon, and Explorer's restart.
  OnMessage(WM_TIMER, [this](WPARAM wp, LPARAM) -> LRESULT {
    if (wp == RecordingStatus::kTimerId) status.OnTimer();
    return 0;
  });
  OnMessage(TrayIcon::kCallbackMessage, [this](WPARAM, LPARAM lp) -> LRESULT {
    status.OnTrayMessage(lp);
    return 0;
  });
  OnMessage(RegisterWindowMessageA("TaskbarCreated"), [this](WPARAM, LPARAM) -> LRESULT {
    status.OnTaskbarCreated();
    return 0;
  });
  OnCommand(ID_SHOW_MAIN_WINDOW, [this] { status.ShowMainWindow(); });

  // Notifications of the lesson list.
  OnNotify(IDC_LESSON_LIST, NM_CLICK, [this](NMHDR*) -> LRESULT {
    ShowLessonSubject();
    return 0;
  });
  OnNotify(IDC_LESSON_LIST, NM_DBLCLK, [this](NMHDR*) -> LRESULT {
    OpenLessonPage();
    return 0;
  });
}

MainDialog::~MainDialog() {
  repairWorker.Stop();
  if (MainWindowHandle == hwnd_) MainWindowHandle = nullptr;
}

BOOL MainDialog::OnInitDialog() {
  // 1. Base initialisation: the picture buttons are bound, and this dialog is the
  //    application's main window while it runs.
  Dialog::OnInitDialog();
  recordButton.SubclassDlgItem(IDC_RECORD, hwnd_);
  settingsButton.SubclassDlgItem(IDC_SETTINGS, hwnd_);
  packageButton.SubclassDlgItem(IDC_PACKAGE, hwnd_);
  aboutButton.SubclassDlgItem(IDC_ABOUT, hwnd_);
  helpButton.SubclassDlgItem(IDC_HELP_BUTTON, hwnd_);
  editButton.SubclassDlgItem(IDC_EDIT_SUBJECT, hwnd_);
  if (WinApp* app = WinApp::Current()) app->mainWindow = hwnd_;

  // 2. Caption; a second Lumora finds this window by its mark, whatever the caption shows.
  SetWindowTextA(hwnd_, "Lumora会议记录系统");
  MarkMainWindow(hwnd_);

  // 3. Settings, devices, buttons, list and size; without Setup.ini the window stays bare.
  SetupMainWindow();

  // 4. The subject of the next recording.
  ShowStartSubject();

  // 5. Icons.
  SendMessageA(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(appIcon));
  SendMessageA(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(appIcon));

  // 6. Device-interface notifications for camera plug-in.
  engine.RegisterDeviceNotification();

  // 7. To the foreground.
  SetForegroundWindow(hwnd_);

  // 8. Windows Media profile manager, screen codec check and writer.
  engine.InitScreenProfileWriter();

  // The microphone's level and the disk's room are shown from now on.
  status.Attach(hwnd_, appIcon, [this] {
    const dshow::SoundLevelTap& level = engine.MicrophoneLevel();
    return MicrophoneReading{engine.MicrophoneMetered(), level.Peak(), level.Buffers()};
  });
  status.UpdateRoom(settings.SaveDir);

  // Ctrl+F9 and Ctrl+F10 work from any program while Lumora runs; a key that another program
  // holds stays with it, and the record button and F5 still work.
  pauseHotKey.Claim(hwnd_);
  stopHotKey.Claim(hwnd_);

  // 9.
  return TRUE;
}

BOOL MainDialog::SetupMainWindow() {
  // 1. Accelerators and the program folder.
  accelerators = LoadAcceleratorsA(ResourceInstance(), MAKEINTRESOURCEA(IDR_ACCELERATORS));
  moduleDirectory = appModuleDirectory_;

  // 2. This thread is a single-threaded COM apartment for the rest of the program's life.
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);

  // 3. The target of the capture engine's posted notifications.
  MainWindowHandle = hwnd_;

  // 4. Without Setup.ini there are no settings to work with.
  if (!PathExists(moduleDirectory + "Setup.ini")) {
    AppMessageBox("Setup.ini文件不存在！");
    return FALSE;
  }

  // 5. Device slots emptied and the capture devices enumerated.
  engine.videoDevices.current = nullptr;
  engine.audioDevices.current = nullptr;
  engine.EnumerateCaptureDevices();

  // 6. Settings.
  LoadSettings(settings, moduleDirectory);

  // 7. Device indexes clamped to the devices found, devices selected and the preview built.
  engine.ClampDeviceIndexes();
  engine.SelectDevicesByIndex(settings.VDeviceIndex, settings.ADeviceIndex);
  engine.BuildPreviewGraph();

  // 8. Save directory.
  ResolveSaveDir(settings);

  // 9. Picture buttons, placed in client pixels.
  SetRecordButtonLook(false);
  const ButtonPlace places[] = {
      {IDC_SETTINGS, 503, 402, 56, 20, IDB_SETTINGS_NORMAL, IDB_SETTINGS_PRESSED, IDB_SETTINGS_HOVER},
      {IDC_PACKAGE, 563, 402, 56, 20, IDB_PACKAGE_NORMAL, IDB_PACKAGE_PRESSED, IDB_PACKAGE_HOVER},
      {IDC_ABOUT, 623, 402, 56, 20, IDB_ABOUT_NORMAL, IDB_ABOUT_PRESSED, IDB_ABOUT_HOVER},
      {IDC_HELP_BUTTON, 683, 402, 56, 20, IDB_HELP_NORMAL, IDB_HELP_PRESSED, IDB_HELP_HOVER},
      {IDC_EDIT_SUBJECT, 683, 218, 56, 20, IDB_EDIT_NORMAL, IDB_EDIT_PRESSED, IDB_EDIT_HOVER},
  };
  MoveWindow(Item(IDC_RECORD), 178, 380, 176, 56, TRUE);
  for (const ButtonPlace& place : places) {
    if (auto* button = static_cast<CSkinButton*>(Window::FromHandle(Item(place.id)))) {
      button->LoadBitmaps(place.normal, place.pressed, place.hover, 0);
    }
    MoveWindow(Item(place.id), place.x, place.y, place.width, place.height, TRUE);
  }

  // 10. The template's list view (LVS_LIST) becomes a small-icon view (LVS_SMALLICON).
  HWND list = Item(IDC_LESSON_LIST);
  SetWindowLongA(list, GWL_STYLE, (GetWindowLongA(list, GWL_STYLE) ^ 0x0001) | WS_VISIBLE);

  // 11. Window size, keeping its place.
  SetWindowPos(hwnd_, nullptr, 0, 0, kWindowWidth, kWindowHeight, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);

  // 12. The lessons; those whose screen recording was cut off are repaired behind the window,
  // their rows showing how far the repair is, and listed with their length when it is done.
  FillLessonList();
  StartLessonRepair();
  return TRUE;
}

void MainDialog::ShowStartSubject() {
  currentSubjectPath = ShowStartupSubject(Item(IDC_SUBJECT), settings.SaveDir, moduleDirectory);
}

void MainDialog::FillLessonList() {
  lessonRows.Fill(Item(IDC_LESSON_LIST), settings.SaveDir);
  shownRepairStates_.clear();
  ShowRepairStates();
}

void MainDialog::ShowLessonSubject() {
  ::ShowLessonSubject(Item(IDC_LESSON_LIST), lessonRows, settings.SaveDir, Item(IDC_SUBJECT),
                      currentSubjectPath, selectedLessonFolder);
}

void MainDialog::OpenLessonPage() {
  // A lesson still under repair opens once its recording is whole.
  const std::string folderName = lessonRows.SelectedFolderName(Item(IDC_LESSON_LIST));
  if (!folderName.empty() && LessonUnderRepair(LessonFolderPath(settings.SaveDir, folderName)))
    return (void)MessageBeep(MB_ICONEXCLAMATION);
  ::OpenLessonPage(Item(IDC_LESSON_LIST), lessonRows, settings.SaveDir, hwnd_);
}

void MainDialog::EditSubject() { EditCurrentSubject(hwnd_, currentSubjectPath, Item(IDC_SUBJECT)); }

void MainDialog::SetRecordButtonLook(bool recording) {
  if (recording) {
    recordButton.LoadBitmaps(IDB_STOP_NORMAL, IDB_STOP_PRESSED, IDB_STOP_PRESSED, 0);
    SetItemText(IDC_RECORD, "停止录制");
  } else {
    recordButton.LoadBitmaps(IDB_RECORD_NORMAL, IDB_RECORD_PRESSED, IDB_RECORD_PRESSED, 0);
    SetItemText(IDC_RECORD, "开始录制");
  }
  InvalidateRect(Item(IDC_RECORD), nullptr, TRUE);
}

BOOL MainDialog::PreTranslateMessage(MSG* msg) {
  if (accelerators && TranslateAcceleratorA(hwnd_, accelerators, msg)) return TRUE;
  return Dialog::PreTranslateMessage(msg);
}

LRESULT MainDialog::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
  // The window's own cases come before the handler tables: the capture engine's WM_GRAPHNOTIFY,
  // WM_DEVICECHANGE, WM_RECORDINGDEVICES and device commands 16 to 35, and the snapshot's
  // WM_FRAMEREADY.
  switch (msg) {
    case WM_FRAMEREADY:
      OnFrameReady();
      break;
    case WM_GRAPHNOTIFY:
      engine.HandleGraphEvents();
      break;
    case WM_RECORDINGDEVICES:
      engine.CheckRecordingDevices();
      break;
    case WM_DEVICECHANGE:
      if (!engine.HandleDeviceChange(wp, lp)) return 0;
      break;
    case WM_COMMAND:
      engine.HandleDeviceCommand(LOWORD(wp));
      break;
    default:
      break;
  }
  return Dialog::WindowProc(msg, wp, lp);
}

void MainDialog::OnOK() {
  // Enter does not end the program.
}

void MainDialog::OnCancel() { ConfirmExit(); }

void MainDialog::ConfirmExit() {
  const char* question = engine.capturing ? "正在视频捕捉，退出将丢失捕捉内容！\r\n是否确定退出？" : "是否退出？";
  if (ShowMessageBox(hwnd_, question, "提示", MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES) return;
  snapshotHotKey.Release();
  markHotKey.Release();
  pauseHotKey.Release();
  stopHotKey.Release();
  engine.TearDownGraph();
  SaveSettings(settings, moduleDirectory);
  // A failure to end the screen writer's writing is of no consequence here.
  engine.screenWriter.EndWriting();
  // A stopped recording's screen file may still be being finished by Vistrel; ending the process
  // now would cut it. A recording that still runs is given up, as the question warned.
  if (!engine.capturing) WaitForScreenFile();
  status.Detach();
  // A repair still running stops at its next read and goes on at the next start.
  StopLessonRepair();
  UnmarkMainWindow(hwnd_);
  EndDialog(IDCANCEL);
}

void MainDialog::ShowSettings() {
  SettingsDialog dialog(hwnd_);
  dialog.FileFormat = settings.FileFormat;
  dialog.OverlayType = settings.OverlayType;
  dialog.OverlayText = settings.OverlayText;
  dialog.OverlayPos = settings.OverlayPos;
  dialog.OverlayFontSize = settings.OverlayFontSize;
  dialog.OverlayFontColor = settings.OverlayFontColor;
  dialog.videoIndex = settings.VDeviceIndex;
  dialog.audioIndex = settings.ADeviceIndex;
  dialog.location = settings.SaveDir;
  dialog.programFolder = moduleDirectory;
  dialog.EnableTitle = settings.EnableTitle;
  if (dialog.DoModal() != IDOK) return;

  settings.FileFormat = dialog.FileFormat;
  settings.OverlayType = dialog.OverlayType;
  settings.OverlayText = dialog.OverlayText;
  settings.OverlayPos = dialog.OverlayPos;
  settings.OverlayFontSize = dialog.OverlayFontSize;
  settings.OverlayFontColor = dialog.OverlayFontColor;
  engine.devicesChanged = dialog.devicesChanged;
  settings.VDeviceIndex = dialog.videoIndex;
  settings.ADeviceIndex = dialog.audioIndex;
  settings.SaveDir = dialog.location;
  SaveSettings(settings, moduleDirectory);
  settings.EnableTitle = dialog.EnableTitle;

  if (engine.devicesChanged) {
    engine.previewStarted = 1;
    engine.ClampDeviceIndexes();
    engine.EnumerateCaptureDevices();
    // Chooses the devices and builds the preview with them.
    engine.SelectDevicesByIndex(settings.VDeviceIndex, settings.ADeviceIndex);
  }
  FillLessonList();
  status.UpdateRoom(settings.SaveDir);
}

void MainDialog::CameraArrived() {
  EnableItem(IDC_RECORD, true);
  SetRecordButtonLook(false);
}

void MainDialog::RecordingDeviceLost(DeviceKind kind) {
  if (kind == DeviceKind::Video) {
    status.CameraAway(true);
  } else {
    status.MicrophoneAway(true);
  }
}

void MainDialog::RecordingDeviceReturned(DeviceKind kind) {
  if (kind == DeviceKind::Video) {
    status.CameraAway(false);
  } else {
    status.MicrophoneAway(false);
  }
}

void MainDialog::ShowHelp() { OpenHelpFile(hwnd_, moduleDirectory, appLanguage_); }

void MainDialog::ShowAbout() {
  AboutDialog about(hwnd_);
  about.DoModal();
}

LRESULT MainDialog::OnControlColour(UINT, WPARAM wp, LPARAM) {
  Default();
  SetBkColor(reinterpret_cast<HDC>(wp), kWhite);
  return reinterpret_cast<LRESULT>(whiteBrush_.Get());
}

LRESULT MainDialog::OnPaint() {
  if (!IsIconic(hwnd_)) return Default();
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(hwnd_, &paint);
  SendMessageA(hwnd_, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  RECT client;
  GetClientRect(hwnd_, &client);
  int x = (client.right - client.left - GetSystemMetrics(SM_CXICON) + 1) / 2;
  int y = (client.bottom - client.top - GetSystemMetrics(SM_CYICON) + 1) / 2;
  DrawIcon(dc, x, y, appIcon);
  EndPaint(hwnd_, &paint);
  return 0;
}
