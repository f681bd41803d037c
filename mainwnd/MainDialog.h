// Lumora's main window (dialog 102): live preview, lesson list, subject panel and the row of
// picture buttons. It routes every command of the program and holds the program's state.
#pragma once
#include "app/Settings.h"
#include "capture/CaptureEngine.h"
#include "controls/SkinButton.h"
#include "framework/Dialog.h"
#include "framework/Handles.h"
#include "lessons/LessonList.h"
#include "mainwnd/LessonRepairWorker.h"
#include "mainwnd/RecordingStatus.h"
#include "mainwnd/ScreenRecordingWatch.h"
#include "mainwnd/HotKey.h"
#include "resources/resource.h"

#include <map>
#include <string>

class MainDialog : public Dialog, public CaptureHost {
public:
  // The application's program folder (ending in a backslash) and help language.
  MainDialog(std::string appModuleDirectory, int appLanguage);
  ~MainDialog() override;

  BOOL PreTranslateMessage(MSG* msg) override;

  // Yes/No question before the program ends; on Yes tears down, saves and ends the dialog.
  void ConfirmExit();
  // Opens the help file of the configured language (F1).
  void ShowHelp();
  // Runs the About box.
  void ShowAbout();
  // Rebuilds the lesson list from the save folder.
  void FillLessonList();
  // NM_CLICK of the lesson list: the clicked lesson's subject becomes the current one.
  void ShowLessonSubject();
  // NM_DBLCLK of the lesson list: the lesson's course page opens in the browser.
  void OpenLessonPage();
  // Button 1090: edits the current subject and shows it again.
  void EditSubject();
  // The record button's ready look (开始录制) or its recording look (停止录制).
  void SetRecordButtonLook(bool recording);
  // Button 1006: the settings dialog; on OK the settings are saved and the devices chosen again.
  void ShowSettings();

  // Button 1002 and F5: starts a lesson recording, or stops the one that runs.
  void ToggleRecording();
  // Hands the screen file to the screen writer and starts Vistrel on it; returns 1.
  int StartScreenRecorder();
  // F6 in the window, or Ctrl+F6 anywhere, while recording: the next camera frame is written
  // as a snapshot of the lesson.
  void RequestSnapshot();
  // Ctrl+F9 anywhere: starts a recording when none runs, exactly as the record button does;
  // while one runs, pauses it or resumes it.
  void OnPauseKey();
  // Ctrl+F10 anywhere: stops the recording that runs, exactly as the record button does.
  void OnStopKey();
  // Pauses the recording that runs, or resumes the paused one (Ctrl+F9, the icon's menu).
  void TogglePause();
  // The lesson's pauses into its course page's list.
  void WriteLessonPauses();
  // WM_FRAMEREADY: the grabbed frame becomes a snapshot file.
  void OnFrameReady();
  // Waits, with a time limit, until Vistrel's capture of a new recording is ready to take frames;
  // the window keeps being painted meanwhile.
  void WaitForScreenCapture();
  // Waits, with the wait cursor and a time limit, until Vistrel has finished screen.avi; the
  // window keeps being painted meanwhile.
  void WaitForScreenFile();
  // VistrelCaptureEnded: the screen recording ended on its own while the camera records on.
  void OnScreenRecordingEnded(WPARAM reason, LPARAM milliseconds);

  // The repair of lessons cut off earlier, on its worker thread once the window is up.
  void StartLessonRepair();
  // The worker's news: the rows of lessons under repair show how far they are; at the end the
  // list is filled again.
  void OnLessonRepairNews(WPARAM news);
  // Whether the lesson folder (a full path) is still waiting for its repair or under it; such a
  // lesson is neither packed nor opened until then.
  bool LessonUnderRepair(const std::string& lessonFolder) const;

  // What the capture engine asks of its main window.
  HWND MainWindow() const override { return hwnd_; }
  HWND PreviewArea() const override { return GetDlgItem(hwnd_, IDC_PREVIEW); }
  Settings& CaptureSettings() override { return settings; }
  void CameraArrived() override;
  void RecordingDeviceLost(DeviceKind kind) override;
  void RecordingDeviceReturned(DeviceKind kind) override;

  HICON appIcon = nullptr;
  HACCEL accelerators = nullptr;
  std::string moduleDirectory;
  Settings settings;
  std::string currentSubjectPath;
  std::string selectedLessonFolder;
  std::string screenOutputPath;
  std::string videoOutputPath;
  // The camera capture engine; its `capturing` is set while a recording runs.
  CaptureEngine engine{*this};

  // Ctrl+F6, held while a recording runs.
  HotKey snapshotHotKey{kSnapshotHotKeyId, MOD_CONTROL, VK_F6};
  // Ctrl+F8, held while a recording runs: the picture on the screen becomes a marked slide.
  HotKey markHotKey{kMarkHotKeyId, MOD_CONTROL, VK_F8};
  // Ctrl+F9 and Ctrl+F10, held from start-up to the exit.
  HotKey pauseHotKey{kPauseHotKeyId, MOD_CONTROL, VK_F9};
  HotKey stopHotKey{kStopHotKeyId, MOD_CONTROL, VK_F10};
  // Whether Vistrel ended the screen recording on its own, why, and how long its files are.
  ScreenRecordingWatch screenRecording;
  // The start-up repair of interrupted lessons.
  LessonRepairWorker repairWorker;

  // What the teacher sees of the recording: title, notification icon, badge, meter, disk line.
  RecordingStatus status;

  // The rows of list 1082 with the folder of each.
  LessonList lessonRows;

  CSkinButton recordButton;
  CSkinButton settingsButton;
  CSkinButton packageButton;
  CSkinButton aboutButton;
  CSkinButton helpButton;
  CSkinButton editButton;

protected:
  BOOL OnInitDialog() override;
  void OnOK() override;
  void OnCancel() override;
  LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;

  // Loads the settings and prepares buttons, list and window size; FALSE without Setup.ini.
  BOOL SetupMainWindow();
  // Shows the subject of the save directory (copied from the template when missing).
  void ShowStartSubject();

private:
  void StartRecording();
  void StopRecording();
  void PauseRecording();
  void ResumeRecording();
  LRESULT OnControlColour(UINT msg, WPARAM wp, LPARAM lp);
  LRESULT OnPaint();
  // Puts the repair's state into the rows of the lessons it concerns.
  void ShowRepairStates();
  // Stops the repair at the exit, keeping the window painted meanwhile.
  void StopLessonRepair();

  // The save folder the repair works in, and the states its rows show now.
  std::string repairSaveDir_;
  std::map<std::string, int> shownRepairStates_;

  std::string appModuleDirectory_;
  int appLanguage_;
  GdiObject<HBRUSH> whiteBrush_;
};
