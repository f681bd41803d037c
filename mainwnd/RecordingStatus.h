// The one place where the state of the recording reaches the teacher. Every source of news (the
// elapsed time, the microphone's level, the disk's room, a screen recording that ended on its
// own) reports here, and this object alone shows it: in the main window's title (and so on the
// taskbar button), through the notification-area icon with its tip, menu and balloons, on the
// warning badge, and in the main window's microphone meter and disk line.
// It runs on the window's thread, driven by its own timer; nothing calls it from another thread.
#pragma once
#include "mainwnd/PauseWatch.h"
#include "mainwnd/RecordingPauses.h"
#include "mainwnd/SilenceWatch.h"
#include "mainwnd/SpeakingWatch.h"
#include "mainwnd/StatusWarnings.h"
#include "mainwnd/TrayIcon.h"
#include "mainwnd/WarningBadge.h"
#include "recorder/Vistrel.h"

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// What the microphone's level meter tells at one moment.
struct MicrophoneReading {
  bool metered = false;  // the running graph's sound passes the meter
  double peak = 0.0;     // peak of the last 100 ms, 0.0 to 1.0
  uint32_t buffers = 0;  // buffers measured so far; unchanged while no sound arrives
};

class RecordingStatus {
public:
  using Clock = std::function<ULONGLONG()>;
  using MicrophoneProbe = std::function<MicrophoneReading()>;

  // The timer of the status on the main window, and its period.
  static constexpr UINT_PTR kTimerId = 0x4C53;
  static constexpr UINT kTickMs = 100;
  // A warning's balloon is given time before the next one replaces it.
  static constexpr ULONGLONG kBalloonSpacingMs = 10000;
  // The disk's room is looked at this often during a recording.
  static constexpr ULONGLONG kDiskCheckMs = 10000;
  // At this much room left the disk warning comes; it goes again above the second figure.
  static constexpr ULONGLONG kDiskLowMinutes = 10;
  static constexpr ULONGLONG kDiskRecoveredMinutes = 12;
  // Before a recording with less room than this, the teacher is asked.
  static constexpr ULONGLONG kAskBelowMinutes = 30;
  // A recording shorter than this says nothing about the microphone.
  static constexpr ULONGLONG kShortestJudgedMs = 3000;
  // A meter that measured no buffer for this long hears nothing. Capture buffers can be a few
  // hundred milliseconds long and come late on a busy machine; the meter must not drop to zero
  // between two of them, which a teacher would take for a dead microphone.
  static constexpr ULONGLONG kStaleLevelMs = 1500;
  // The icon shown for the reminder to record goes at the latest this long after its balloon.
  static constexpr ULONGLONG kReminderIconMs = 30000;

  explicit RecordingStatus(Clock clock = GetTickCount64);
  ~RecordingStatus();
  RecordingStatus(const RecordingStatus&) = delete;
  RecordingStatus& operator=(const RecordingStatus&) = delete;

  // Binds the status to the main window, its icon and the meter, and starts the timer.
  void Attach(HWND mainWindow, HICON icon, MicrophoneProbe microphone);
  // Removes the icon and the badge and stops the timer (the program ends).
  void Detach();

  // The timer's tick (WM_TIMER with kTimerId).
  void OnTimer();
  // The notification icon's callback message.
  void OnTrayMessage(LPARAM lp);
  // Explorer started again: the icon is shown again.
  void OnTaskbarCreated() { tray_.Restore(); }

  // A recording into the lesson's html folder has started; `saveDir` is the save folder.
  void RecordingStarted(const std::string& lessonHtmlDir, const std::string& saveDir);
  // The recording has stopped. True when the microphone was measured and heard nothing at all.
  bool RecordingStopped();
  // The box after a recording that heard no sound at all.
  void ReportSoundlessRecording();
  bool Recording() const { return recording_; }

  // The recording pauses or goes on (Ctrl+F9, the icon's menu); false when it did not run, or
  // was paused already, or was not paused.
  bool RecordingPaused();
  bool RecordingResumed();
  bool Paused() const { return recording_ && pauses_.Paused(); }
  // The time recorded so far without the pauses, and the pauses on the recording's time axis.
  ULONGLONG RecordedMs() const { return pauses_.RecordedMs(clock_()); }
  ULONGLONG PausedMs() const { return pauses_.PausedMs(clock_()); }
  std::vector<RecordingPause> Pauses() const { return pauses_.List(clock_()); }

  // The screen recording ended on its own (the recorder's message) while the camera records on.
  void ScreenCaptureEnded(VistrelCaptureEnd reason);
  // The recording's camera dropped out (true) and the sound and screen are recorded on, or it is
  // back (false).
  void CameraAway(bool away);
  // The same for the microphone, while the camera and the screen are recorded on.
  void MicrophoneAway(bool away);

  // Shows the room on the save folder's disk in the main window's disk line.
  void UpdateRoom(const std::string& saveDir);
  // Before a recording: with less than 30 minutes of room left the teacher is asked whether to
  // record anyway. True when the recording may start.
  bool ConfirmRoomToRecord(const std::string& saveDir);

  // Brings the main window back from the taskbar and to the front.
  void ShowMainWindow();

  // What the notification icon's menu offers now: command ids and texts.
  struct MenuItem {
    int command;
    const char* text;
  };
  std::vector<MenuItem> MenuItems() const;

  const WarningBoard& Warnings() const { return warnings_; }
  const WarningBadge& Badge() const { return badge_; }
  const TrayIcon& Tray() const { return tray_; }

private:
  // The microphone's peak in dBFS now; silence when the meter hears nothing new.
  double MicrophoneDbfs(ULONGLONG now, bool* metered);
  void ShowMeter(double dbfs, bool metered);
  void WatchRecording(ULONGLONG now, double dbfs, bool metered);
  void WatchIdle(ULONGLONG now, double dbfs);
  // While paused: the reminders that it is paused and that the teacher speaks.
  void WatchPause(ULONGLONG now, double dbfs);
  void CheckDisk(ULONGLONG now);
  // Title, tip and badge after the time or a warning changed.
  void Refresh(ULONGLONG now);
  void ShowDueBalloon(ULONGLONG now);
  // A warning that comes during a recording and is shown at once, before any balloon that waits.
  void RaiseAtOnce(Warning warning, const std::string& balloonText);
  void ShowMenu();
  void SetTitle(const std::string& title);
  // The room in minutes at the given rate, shown in the disk line; false when the disk cannot be
  // asked.
  bool RoomMinutesAt(const std::string& folder, double bytesPerSecond, ULONGLONG* minutes);
  // The saved lessons' rate, read from the folder once until the next UpdateRoom.
  double LessonsRate(const std::string& saveDir);
  void DropReminderIcon();

  Clock clock_;
  HWND main_ = nullptr;
  HICON icon_ = nullptr;
  MicrophoneProbe microphone_;
  TrayIcon tray_;
  WarningBadge badge_;
  WarningBoard warnings_;
  SilenceWatch silence_;
  SpeakingWatch speaking_;
  RecordingPauses pauses_;
  PauseWatch pauseWatch_;

  bool recording_ = false;
  ULONGLONG meteredMs_ = 0;  // recording time during which the meter measured the sound
  ULONGLONG lastTick_ = 0;
  ULONGLONG nextDiskCheck_ = 0;
  std::string lessonHtmlDir_;
  std::string saveDir_;
  double lessonsRate_ = 0.0;    // bytes per second of the lessons in lessonsRateDir_
  std::string lessonsRateDir_;
  bool lessonsRateRead_ = false;
  double recordingRate_ = 0.0;  // the saved lessons' rate when the recording began

  uint32_t lastBuffers_ = 0;
  ULONGLONG lastBufferAt_ = 0;
  int meterPosition_ = -1;
  std::string title_;
  ULONGLONG shownSecond_ = ~0ULL;          // the elapsed second the texts show
  bool shownPaused_ = false;               // whether they show the pause
  std::vector<std::string> shownForms_;  // the short forms they show
  ULONGLONG balloonFreeAt_ = 0;
  bool reminderIcon_ = false;  // the icon is shown only for the reminder to record
  ULONGLONG reminderIconUntil_ = 0;
};
