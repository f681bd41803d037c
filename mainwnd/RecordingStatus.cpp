#include "mainwnd/RecordingStatus.h"

#include "dshow/SoundPeak.h"
#include "framework/MessageBox.h"
#include "framework/Text.h"
#include "mainwnd/DiskRoom.h"
#include "mainwnd/StatusTexts.h"
#include "resources/resource.h"

#include <commctrl.h>

namespace {
constexpr char kBalloonTitle[] = "Lumora";
constexpr char kSilenceBalloon[] = "麦克风已经30秒没有声音，请检查麦克风是否静音或选错。";
constexpr char kSpeakingBalloon[] = "麦克风有声音，但没有在录制。要录制请点击这里或在主窗口按 F5。";
constexpr char kDiskLowBalloon[] = "磁盘剩余空间只够再录制约 10 分钟。";
constexpr char kDiskFullBalloon[] = "磁盘空间已满，屏幕录制已停止，已录制的内容已保存。";
constexpr char kScreenStoppedBalloon[] = "屏幕录制意外停止，已录制的内容已保存，摄像头录制仍在继续。";
constexpr char kCameraLostBalloon[] = "摄像头已断开，声音和屏幕录制继续。";
constexpr char kMicrophoneLostBalloon[] = "麦克风已断开，摄像头和屏幕录制继续。";
constexpr char kSpeakingWhilePausedBalloon[] = "您在说话，但录制已暂停。按 Ctrl+F9 继续录制。";
constexpr char kSoundlessBox[] = "本次录制没有录到声音，请检查麦克风。";
constexpr char kLittleRoomQuestion[] = "磁盘剩余空间只够录制约 %llu 分钟。仍要开始录制吗？";
}  // namespace

RecordingStatus::RecordingStatus(Clock clock) : clock_(std::move(clock)) {}

RecordingStatus::~RecordingStatus() { Detach(); }

void RecordingStatus::Attach(HWND mainWindow, HICON icon, MicrophoneProbe microphone) {
  main_ = mainWindow;
  icon_ = icon;
  microphone_ = std::move(microphone);
  lastTick_ = clock_();
  SetTimer(main_, kTimerId, kTickMs, nullptr);
}

void RecordingStatus::Detach() {
  tray_.Hide();
  badge_.Hide();
  if (main_) KillTimer(main_, kTimerId);
}

double RecordingStatus::MicrophoneDbfs(ULONGLONG now, bool* metered) {
  MicrophoneReading reading = microphone_ ? microphone_() : MicrophoneReading();
  *metered = reading.metered;
  if (reading.buffers != lastBuffers_) {
    lastBuffers_ = reading.buffers;
    lastBufferAt_ = now;
  }
  if (!reading.metered || now - lastBufferAt_ > kStaleLevelMs) return dshow::kSilenceDbfs;
  return dshow::PeakToDbfs(reading.peak);
}

void RecordingStatus::ShowMeter(double dbfs, bool metered) {
  int position = metered ? dshow::MeterPosition(dbfs) : 0;
  if (position == meterPosition_) return;
  meterPosition_ = position;
  SendDlgItemMessageA(main_, IDC_MIC_LEVEL, PBM_SETPOS, static_cast<WPARAM>(position), 0);
}

void RecordingStatus::OnTimer() {
  ULONGLONG now = clock_();
  bool metered = false;
  double dbfs = MicrophoneDbfs(now, &metered);
  ShowMeter(dbfs, metered);
  if (recording_) {
    WatchRecording(now, dbfs, metered);
  } else {
    WatchIdle(now, dbfs);
  }
  lastTick_ = now;
}

void RecordingStatus::WatchRecording(ULONGLONG now, double dbfs, bool metered) {
  // Sound during a recording is no reminder to record.
  speaking_.Update(now, 0, dbfs, false);
  if (pauses_.Paused()) {
    WatchPause(now, dbfs);
  } else if (metered) {
    meteredMs_ += now - lastTick_;
    silence_.Update(now, now - lastTick_, dbfs);
    if (silence_.Silent()) {
      warnings_.Raise(Warning::MicrophoneSilent, kSilenceBalloon, now);
    } else {
      warnings_.Clear(Warning::MicrophoneSilent);
    }
  }
  if (now >= nextDiskCheck_) {
    nextDiskCheck_ = now + kDiskCheckMs;
    CheckDisk(now);
  }
  ShowDueBalloon(now);
  Refresh(now);
}

void RecordingStatus::WatchPause(ULONGLONG now, double dbfs) {
  // The microphone's silence says nothing while nothing records; sound calls for the reminder.
  bool speaking = pauseWatch_.Hear(now - lastTick_, dbfs);
  if (now < balloonFreeAt_) return;
  ULONGLONG pausedMs = pauses_.CurrentPauseMs(now);
  std::string text;
  if (ULONGLONG minutes = pauseWatch_.ReminderMinutes(pausedMs)) {
    text = PauseReminderText(minutes);
    pauseWatch_.Reminded(pausedMs);
  } else if (speaking) {
    text = kSpeakingWhilePausedBalloon;
    pauseWatch_.Spoken();
  } else {
    return;
  }
  tray_.ShowBalloon(kBalloonTitle, text, false);
  balloonFreeAt_ = now + kBalloonSpacingMs;
}

bool RecordingStatus::RecordingPaused() {
  ULONGLONG now = clock_();
  if (!recording_ || !pauses_.Pause(now)) return false;
  pauseWatch_.Begin();
  Refresh(now);
  return true;
}

bool RecordingStatus::RecordingResumed() {
  ULONGLONG now = clock_();
  if (!recording_ || !pauses_.Resume(now)) return false;
  // The silence watch starts afresh: the pause was no silence of the microphone.
  silence_.Begin(now);
  warnings_.Clear(Warning::MicrophoneSilent);
  Refresh(now);
  return true;
}

void RecordingStatus::WatchIdle(ULONGLONG now, double dbfs) {
  // A shell that never tells the balloon's end does not keep the reminder's icon for ever.
  if (reminderIcon_ && now >= reminderIconUntil_) DropReminderIcon();
  HWND front = GetForegroundWindow();
  bool mainInFront = IsWindowVisible(main_) && !IsIconic(main_) && front && GetAncestor(front, GA_ROOTOWNER) == main_;
  if (!speaking_.Update(now, now - lastTick_, dbfs, !mainInFront)) return;
  // The icon is shown for the reminder only, and goes with its balloon.
  if (!tray_.Shown()) {
    tray_.Show(main_, icon_, kMainWindowTitle);
    reminderIcon_ = true;
  }
  reminderIconUntil_ = now + kReminderIconMs;
  tray_.ShowBalloon(kBalloonTitle, kSpeakingBalloon, false);
}

void RecordingStatus::DropReminderIcon() {
  if (!reminderIcon_) return;
  tray_.Hide();
  reminderIcon_ = false;
}

void RecordingStatus::CheckDisk(ULONGLONG now) {
  // The recording's own rate once it has run long enough to show one.
  double rate = recordingRate_;
  ULONGLONG elapsedSeconds = pauses_.RecordedMs(now) / 1000;
  ULONGLONG recorded = RecordingBytes(lessonHtmlDir_);
  if (elapsedSeconds >= kDiskCheckMs / 1000 && recorded > 0) rate = static_cast<double>(recorded) / elapsedSeconds;
  ULONGLONG minutes = 0;
  if (!RoomMinutesAt(saveDir_, rate, &minutes)) return;
  if (minutes <= kDiskLowMinutes) {
    warnings_.Raise(Warning::DiskLow, kDiskLowBalloon, now);
  } else if (minutes > kDiskRecoveredMinutes) {
    warnings_.Clear(Warning::DiskLow);
  }
}

void RecordingStatus::ShowDueBalloon(ULONGLONG now) {
  if (now < balloonFreeAt_) return;
  std::optional<WarningBalloon> due = warnings_.NextDue(now);
  if (!due) return;
  tray_.ShowBalloon(kBalloonTitle, due->text, true);
  warnings_.Shown(due->warning, now);
  balloonFreeAt_ = now + kBalloonSpacingMs;
  // The taskbar button flashes until the teacher brings the window up.
  FLASHWINFO flash{sizeof(flash), main_, FLASHW_TRAY | FLASHW_TIMERNOFG, 0, 0};
  FlashWindowEx(&flash);
}

void RecordingStatus::Refresh(ULONGLONG now) {
  ULONGLONG elapsed = pauses_.RecordedMs(now);
  bool paused = pauses_.Paused();
  std::vector<std::string> forms = warnings_.ShortForms();
  // The texts change once a second, with a warning or with a pause; the shell and the window
  // are told then.
  if (elapsed / 1000 == shownSecond_ && forms == shownForms_ && paused == shownPaused_) return;
  shownSecond_ = elapsed / 1000;
  shownForms_ = forms;
  shownPaused_ = paused;
  SetTitle(paused ? PausedTitle(elapsed, forms) : RecordingTitle(elapsed, forms));
  tray_.Show(main_, icon_, paused ? PausedTip(elapsed) : RecordingTip(elapsed));
  if (forms.empty()) {
    badge_.Hide();
  } else {
    badge_.Show(BadgeText(forms));
  }
}

void RecordingStatus::SetTitle(const std::string& title) {
  if (title == title_) return;
  title_ = title;
  SetWindowTextA(main_, title.c_str());
}

void RecordingStatus::RecordingStarted(const std::string& lessonHtmlDir, const std::string& saveDir) {
  ULONGLONG now = clock_();
  recording_ = true;
  pauses_.Begin(now);
  lastTick_ = now;
  meteredMs_ = 0;
  lessonHtmlDir_ = lessonHtmlDir;
  saveDir_ = saveDir;
  recordingRate_ = LessonsRate(saveDir);
  nextDiskCheck_ = now + kDiskCheckMs;
  balloonFreeAt_ = 0;
  warnings_.ClearAll();
  silence_.Begin(now);
  // The reminder's icon, if it is up, becomes the recording's.
  reminderIcon_ = false;
  shownSecond_ = ~0ULL;
  Refresh(now);
}

bool RecordingStatus::RecordingStopped() {
  bool soundless = recording_ && meteredMs_ >= kShortestJudgedMs && !silence_.HeardSound();
  recording_ = false;
  warnings_.ClearAll();
  tray_.Hide();
  badge_.Hide();
  FLASHWINFO stop{sizeof(stop), main_, FLASHW_STOP, 0, 0};
  FlashWindowEx(&stop);
  SetTitle(kMainWindowTitle);
  return soundless;
}

void RecordingStatus::ReportSoundlessRecording() { AppMessageBox(kSoundlessBox, MB_OK | MB_ICONWARNING); }

void RecordingStatus::RaiseAtOnce(Warning warning, const std::string& balloonText) {
  ULONGLONG now = clock_();
  warnings_.Raise(warning, balloonText, now);
  balloonFreeAt_ = 0;
  ShowDueBalloon(now);
  Refresh(now);
}

void RecordingStatus::ScreenCaptureEnded(VistrelCaptureEnd reason) {
  if (!recording_) return;
  RaiseAtOnce(Warning::ScreenStopped, reason == VistrelEndDiskFull ? kDiskFullBalloon : kScreenStoppedBalloon);
}

void RecordingStatus::CameraAway(bool away) {
  if (!recording_) return;
  if (away) {
    RaiseAtOnce(Warning::CameraLost, kCameraLostBalloon);
    return;
  }
  warnings_.Clear(Warning::CameraLost);
  Refresh(clock_());
}

void RecordingStatus::MicrophoneAway(bool away) {
  if (!recording_) return;
  if (away) {
    // Without a microphone there is no silence to tell of; the lost microphone says more.
    warnings_.Clear(Warning::MicrophoneSilent);
    RaiseAtOnce(Warning::MicrophoneLost, kMicrophoneLostBalloon);
    return;
  }
  ULONGLONG now = clock_();
  warnings_.Clear(Warning::MicrophoneLost);
  silence_.Resume(now);
  Refresh(now);
}

bool RecordingStatus::RoomMinutesAt(const std::string& folder, double bytesPerSecond, ULONGLONG* minutes) {
  ULONGLONG freeBytes = 0;
  if (!FreeBytesOnDisk(folder, &freeBytes)) {
    SetDlgItemTextA(main_, IDC_DISK_ROOM, "");
    return false;
  }
  *minutes = RoomMinutes(freeBytes, bytesPerSecond);
  SetDlgItemTextA(main_, IDC_DISK_ROOM, RoomLine(*minutes).c_str());
  return true;
}

double RecordingStatus::LessonsRate(const std::string& saveDir) {
  if (!lessonsRateRead_ || saveDir != lessonsRateDir_) {
    lessonsRate_ = LessonsDataRate(saveDir);
    lessonsRateDir_ = saveDir;
    lessonsRateRead_ = true;
  }
  return lessonsRate_;
}

void RecordingStatus::UpdateRoom(const std::string& saveDir) {
  // The lessons are read again here, where they may have changed, and not at the record key.
  lessonsRateRead_ = false;
  ULONGLONG minutes = 0;
  RoomMinutesAt(saveDir, LessonsRate(saveDir), &minutes);
}

bool RecordingStatus::ConfirmRoomToRecord(const std::string& saveDir) {
  ULONGLONG minutes = 0;
  if (!RoomMinutesAt(saveDir, LessonsRate(saveDir), &minutes) || minutes >= kAskBelowMinutes) return true;
  return ShowMessageBox(main_, Format(kLittleRoomQuestion, minutes), "提示", MB_YESNO | MB_ICONQUESTION) == IDYES;
}

void RecordingStatus::ShowMainWindow() {
  if (IsIconic(main_)) ShowWindow(main_, SW_RESTORE);
  ShowWindow(main_, SW_SHOW);
  SetForegroundWindow(main_);
}

std::vector<RecordingStatus::MenuItem> RecordingStatus::MenuItems() const {
  if (!recording_) return {{ID_SHOW_MAIN_WINDOW, "显示主窗口"}};
  // A paused recording takes no snapshot: the camera's picture does not reach the lesson.
  if (pauses_.Paused())
    return {{IDC_RECORD, "停止录制"}, {ID_PAUSE_RECORDING, "继续录制"}, {ID_SHOW_MAIN_WINDOW, "显示主窗口"}};
  return {{IDC_RECORD, "停止录制"},
          {ID_PAUSE_RECORDING, "暂停录制"},
          {ID_SNAPSHOT, "拍照"},
          {ID_SHOW_MAIN_WINDOW, "显示主窗口"}};
}

void RecordingStatus::ShowMenu() {
  HMENU menu = CreatePopupMenu();
  if (!menu) return;
  for (const MenuItem& item : MenuItems()) AppendMenuA(menu, MF_STRING, static_cast<UINT_PTR>(item.command), item.text);
  POINT at{};
  GetCursorPos(&at);
  // The menu closes when the teacher clicks elsewhere only if its owner is in front.
  SetForegroundWindow(main_);
  UINT command = static_cast<UINT>(
      TrackPopupMenu(menu, TPM_RETURNCMD | TPM_NONOTIFY | TPM_RIGHTBUTTON, at.x, at.y, 0, main_, nullptr));
  PostMessageA(main_, WM_NULL, 0, 0);
  DestroyMenu(menu);
  // The command reaches the window as the button, the key or the menu item it stands for would.
  if (command) {
    PostMessageA(main_, WM_COMMAND, MAKEWPARAM(command, 0), 0);
  } else {
    tray_.ReturnFocus();
  }
}

void RecordingStatus::OnTrayMessage(LPARAM lp) {
  switch (tray_.Decode(lp)) {
    case TrayIcon::Event::DoubleClick:
    case TrayIcon::Event::BalloonClicked:
      ShowMainWindow();
      DropReminderIcon();
      break;
    case TrayIcon::Event::Menu:
      ShowMenu();
      break;
    case TrayIcon::Event::BalloonGone:
      DropReminderIcon();
      break;
    case TrayIcon::Event::None:
      break;
  }
}
