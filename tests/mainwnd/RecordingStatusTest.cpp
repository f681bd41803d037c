// The recording status on a clock of the test's own, with a microphone whose level the test
// sets and the notification area's calls recorded: the title, the tip, the warnings with their
// balloons, badge and repeats, the reminder to record, and the meter.
#include "mainwnd/RecordingStatus.h"

#include "mainwnd/SpeakingWatch.h"
#include "mainwnd/StatusTexts.h"
#include "resources/resource.h"
#include "tests/support/MessageBoxRecorder.h"
#include "tests/support/TempDir.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {
constexpr char kSilenceBalloon[] = "麦克风已经30秒没有声音，请检查麦克风是否静音或选错。";
constexpr char kSpeakingBalloon[] = "麦克风有声音，但没有在录制。要录制请点击这里或在主窗口按 F5。";

struct ShellCall {
  DWORD message;
  UINT flags;
  std::string tip, info, infoTitle;
};

class StatusTest : public ::testing::Test {
protected:
  void SetUp() override {
    main = CreateWindowExA(0, "STATIC", kMainWindowTitle, WS_POPUP, 0, 0, 400, 300, nullptr, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
    meter = CreateWindowExA(0, PROGRESS_CLASSA, "", WS_CHILD, 0, 0, 100, 10, main,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_MIC_LEVEL)), nullptr, nullptr);
    CreateWindowExA(0, "STATIC", "", WS_CHILD, 0, 20, 300, 20, main,
                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_DISK_ROOM)), nullptr, nullptr);
    previous = SetTrayNotifier([this](DWORD message, NOTIFYICONDATAA* data) {
      shell.push_back({message, data->uFlags, data->szTip, data->szInfo, data->szInfoTitle});
      return TRUE;
    });
    status.Attach(main, LoadIconA(nullptr, IDI_APPLICATION), [this] { return microphone; });
  }
  void TearDown() override {
    status.Detach();
    SetTrayNotifier(previous);
    DestroyWindow(main);
  }

  // Runs the status timer for `ms` in steps of its period, with the microphone at `peak`;
  // `arriving` false holds the meter's buffer count, as when no sound comes in.
  void Run(ULONGLONG ms, double peak, bool arriving = true) {
    for (ULONGLONG t = 0; t < ms; t += RecordingStatus::kTickMs) {
      now += RecordingStatus::kTickMs;
      microphone.peak = peak;
      if (arriving) ++microphone.buffers;
      status.OnTimer();
    }
  }
  void Start() { status.RecordingStarted(lesson.Path(), lesson.Path()); }
  std::string Title() const {
    char text[256] = {};
    GetWindowTextA(main, text, sizeof(text));
    return text;
  }
  std::vector<std::string> Balloons() const {
    std::vector<std::string> texts;
    for (const ShellCall& call : shell) {
      if (call.flags & NIF_INFO) texts.push_back(call.infoTitle + ": " + call.info);
    }
    return texts;
  }
  int Count(DWORD message) const {
    int n = 0;
    for (const ShellCall& call : shell) n += call.message == message;
    return n;
  }
  bool BadgeShows() const { return status.Badge().Handle() && IsWindowVisible(status.Badge().Handle()); }

  static constexpr double kTone = 0.5;  // -6 dBFS
  HWND main = nullptr;
  HWND meter = nullptr;
  TempDir lesson;
  ULONGLONG now = 5'000'000;
  MicrophoneReading microphone{true, 0.0, 0};
  RecordingStatus status{[this] { return now; }};
  std::vector<ShellCall> shell;
  TrayNotifier previous;
  MessageBoxRecorder boxes;
};
}  // namespace

TEST_F(StatusTest, TitleAndTipTellTheRecordingAndItsTimeUntilTheStop) {
  Start();
  EXPECT_EQ(Title(), "录制中 00:00:00 - Lumora会议记录系统");
  ASSERT_EQ(Count(NIM_ADD), 1);
  EXPECT_EQ(shell.front().tip, "Lumora 录制中 00:00:00");
  Run(5000, kTone);
  EXPECT_EQ(Title(), "录制中 00:00:05 - Lumora会议记录系统");
  EXPECT_EQ(shell.back().tip, "Lumora 录制中 00:00:05");
  Run(3600 * 1000, kTone);
  EXPECT_EQ(Title(), "录制中 01:00:05 - Lumora会议记录系统");
  EXPECT_TRUE(Balloons().empty());
  EXPECT_FALSE(BadgeShows());

  EXPECT_FALSE(status.RecordingStopped());
  EXPECT_EQ(Title(), "Lumora会议记录系统");
  EXPECT_EQ(Count(NIM_DELETE), 1);
  EXPECT_FALSE(status.Tray().Shown());
}

TEST_F(StatusTest, SilenceWarnsAt30sRepeatsEvery5MinutesAndGoesAfter2sOfSound) {
  Start();
  Run(29900, 0.0);
  EXPECT_TRUE(Balloons().empty()) << "29.9 s of silence";
  EXPECT_EQ(Title(), "录制中 00:00:29 - Lumora会议记录系统");
  EXPECT_FALSE(BadgeShows());

  Run(100, 0.0);
  EXPECT_EQ(Balloons(), std::vector<std::string>{std::string("Lumora: ") + kSilenceBalloon});
  EXPECT_EQ(Title(), "录制中 00:00:30 麦克风无声 - Lumora会议记录系统");
  ASSERT_TRUE(BadgeShows());
  char badge[64] = {};
  GetWindowTextA(status.Badge().Handle(), badge, sizeof(badge));
  EXPECT_STREQ(badge, "● 麦克风无声");

  Run(5 * 60 * 1000 - 100, 0.0);
  EXPECT_EQ(Balloons().size(), 1u) << "the repeat comes 5 minutes after the balloon, not before";
  Run(100, 0.0);
  EXPECT_EQ(Balloons().size(), 2u);

  Run(1900, kTone);
  EXPECT_TRUE(status.Warnings().Stands(Warning::MicrophoneSilent)) << "1.9 s of sound";
  Run(100, kTone);
  EXPECT_FALSE(status.Warnings().Stands(Warning::MicrophoneSilent));
  EXPECT_EQ(Title(), "录制中 00:05:32 - Lumora会议记录系统");
  EXPECT_FALSE(BadgeShows());
  EXPECT_FALSE(status.RecordingStopped()) << "the recording heard sound";
}

TEST_F(StatusTest, OnlyAnUninterruptedSilenceWarnsAndShortGapsDoNotHoldReturningSoundBack) {
  Start();
  Run(20000, 0.0);
  Run(100, kTone);
  Run(29900, 0.0);
  EXPECT_TRUE(Balloons().empty()) << "a moment of sound starts the 30 s again";
  Run(100, 0.0);
  ASSERT_EQ(Balloons().size(), 1u);
  // Speech with short pauses brings the sound back in 2 s all the same.
  for (int i = 0; i < 5; ++i) {
    Run(300, kTone);
    Run(200, 0.0);
  }
  EXPECT_FALSE(status.Warnings().Stands(Warning::MicrophoneSilent));
}

TEST_F(StatusTest, AMicrophoneThatDeliversNothingIsSilentToo) {
  Start();
  Run(30000, kTone, false);
  EXPECT_TRUE(status.Warnings().Stands(Warning::MicrophoneSilent));
  EXPECT_TRUE(status.RecordingStopped());
}

TEST_F(StatusTest, AWhollySilentRecordingIsReportedAfterTheStopOnly) {
  Start();
  Run(5000, 0.0);
  EXPECT_TRUE(boxes.Boxes().empty());
  EXPECT_TRUE(status.RecordingStopped());
  status.ReportSoundlessRecording();
  EXPECT_EQ(boxes.Texts(), std::vector<std::string>{"本次录制没有录到声音，请检查麦克风。"});

  Start();
  Run(2000, 0.0);
  EXPECT_FALSE(status.RecordingStopped()) << "two seconds tell nothing about the microphone";

  microphone.metered = false;  // the sound went to the writer without the meter
  Start();
  Run(60000, 0.0);
  EXPECT_FALSE(status.Warnings().Stands(Warning::MicrophoneSilent));
  EXPECT_FALSE(status.RecordingStopped()) << "an unmeasured microphone is not called silent";
}

TEST_F(StatusTest, AScreenRecordingThatEndsOnItsOwnIsToldAtOnceWithItsReason) {
  status.ScreenCaptureEnded(VistrelEndDiskFull);
  EXPECT_TRUE(shell.empty()) << "nothing records";

  Start();
  Run(1000, kTone);
  status.ScreenCaptureEnded(VistrelEndDiskFull);
  EXPECT_EQ(Balloons(), std::vector<std::string>{"Lumora: 磁盘空间已满，屏幕录制已停止，已录制的内容已保存。"});
  EXPECT_EQ(Title(), "录制中 00:00:01 屏幕录制已停止 - Lumora会议记录系统");
  EXPECT_TRUE(BadgeShows());
  status.RecordingStopped();
  EXPECT_FALSE(BadgeShows());

  shell.clear();
  Start();
  status.ScreenCaptureEnded(VistrelEndWriteFailed);
  EXPECT_EQ(Balloons(), std::vector<std::string>{
                            "Lumora: 屏幕录制意外停止，已录制的内容已保存，摄像头录制仍在继续。"});
}

TEST_F(StatusTest, ALostCameraIsToldAtOnceWithoutABoxRepeatedWhileAwayAndClearedOnItsReturn) {
  status.CameraAway(true);
  EXPECT_TRUE(shell.empty()) << "nothing records";

  Start();
  Run(2000, kTone);
  status.CameraAway(true);
  EXPECT_EQ(Balloons(), std::vector<std::string>{"Lumora: 摄像头已断开，声音和屏幕录制继续。"});
  EXPECT_EQ(Title(), "录制中 00:00:02 摄像头断开 - Lumora会议记录系统");
  EXPECT_TRUE(BadgeShows());
  EXPECT_TRUE(boxes.Boxes().empty());
  // Still away five minutes later: the balloon comes again.
  Run(5 * 60 * 1000, kTone);
  EXPECT_EQ(Balloons().size(), 2u);
  status.CameraAway(false);
  Run(1000, kTone);
  EXPECT_EQ(Title(), "录制中 00:05:03 - Lumora会议记录系统");
  EXPECT_FALSE(BadgeShows());
  Run(10 * 60 * 1000, kTone);
  EXPECT_EQ(Balloons().size(), 2u) << "a camera that is back is not warned of";
}

TEST_F(StatusTest, ALostMicrophoneReplacesTheSilenceWarningAndItsSilenceCountsAnewOnItsReturn) {
  Start();
  Run(31000, 0.0);
  ASSERT_TRUE(status.Warnings().Stands(Warning::MicrophoneSilent));
  status.MicrophoneAway(true);
  microphone.metered = false;  // the picture-only part has no meter
  Run(60000, 0.0, false);
  EXPECT_FALSE(status.Warnings().Stands(Warning::MicrophoneSilent));
  EXPECT_EQ(Title(), "录制中 00:01:31 麦克风断开 - Lumora会议记录系统");
  EXPECT_NE(std::find(Balloons().begin(), Balloons().end(), std::string("Lumora: 麦克风已断开，摄像头和屏幕录制继续。")),
            Balloons().end());
  status.MicrophoneAway(false);
  microphone.metered = true;
  Run(20000, 0.0);
  EXPECT_FALSE(status.Warnings().Stands(Warning::MicrophoneSilent)) << "twenty silent seconds since its return";
  Run(11000, 0.0);
  EXPECT_TRUE(status.Warnings().Stands(Warning::MicrophoneSilent));
  EXPECT_FALSE(status.Warnings().Stands(Warning::MicrophoneLost));
}

TEST_F(StatusTest, TwoWarningsShareTheTitleAndTheBadgeAndTheirBalloonsComeInTurn) {
  Start();
  Run(30000, 0.0);
  status.ScreenCaptureEnded(VistrelEndNoMemory);
  EXPECT_EQ(Title(), "录制中 00:00:30 麦克风无声 屏幕录制已停止 - Lumora会议记录系统");
  char badge[64] = {};
  GetWindowTextA(status.Badge().Handle(), badge, sizeof(badge));
  EXPECT_STREQ(badge, "● 麦克风无声 屏幕录制已停止");
  EXPECT_EQ(Balloons().size(), 2u);
}

TEST_F(StatusTest, TheBadgeIsSmallOnTopInTheScreensCornerAndNeverTakesInput) {
  Start();
  Run(30000, 0.0);
  HWND badge = status.Badge().Handle();
  ASSERT_TRUE(BadgeShows());
  RECT box;
  GetWindowRect(badge, &box);
  EXPECT_LE(box.right - box.left, WarningBadge::kMaxWidth);
  EXPECT_LE(box.bottom - box.top, WarningBadge::kMaxHeight);
  EXPECT_GT(box.right - box.left, 40) << "too narrow for its text";
  EXPECT_EQ(box.top, 12);
  EXPECT_EQ(box.right, GetSystemMetrics(SM_CXSCREEN) - 12);
  LONG_PTR style = GetWindowLongPtrA(badge, GWL_EXSTYLE);
  for (LONG_PTR bit : {WS_EX_TOPMOST, WS_EX_NOACTIVATE, WS_EX_TRANSPARENT, WS_EX_TOOLWINDOW}) {
    EXPECT_TRUE(style & bit) << std::hex << bit;
  }
  EXPECT_NE(GetForegroundWindow(), badge);
  POINT inside{(box.left + box.right) / 2, (box.top + box.bottom) / 2};
  EXPECT_EQ(SendMessageA(badge, WM_NCHITTEST, 0, MAKELPARAM(inside.x, inside.y)), HTTRANSPARENT);
}

TEST_F(StatusTest, TheMeterShowsTheLevelAndNothingWhenNoSoundArrives) {
  auto position = [this] { return SendMessageA(meter, PBM_GETPOS, 0, 0); };
  Run(200, kTone);
  EXPECT_EQ(position(), 90);
  Run(200, 1.0);
  EXPECT_EQ(position(), 100);
  Run(1400, 1.0, false);
  EXPECT_EQ(position(), 100) << "a late buffer is not silence yet";
  Run(200, 1.0, false);
  EXPECT_EQ(position(), 0);
  Run(200, 0.001);  // -60 dBFS
  EXPECT_EQ(position(), 0);
  microphone.metered = false;
  Run(200, 1.0);
  EXPECT_EQ(position(), 0);
}

TEST_F(StatusTest, SpeakingWithoutRecordingIsRemindedOnceEveryTenMinutesAtMost) {
  // The main window is hidden here, so it is not in front.
  Run(59900, kTone);
  EXPECT_TRUE(Balloons().empty());
  Run(100, kTone);
  EXPECT_EQ(Balloons(), std::vector<std::string>{std::string("Lumora: ") + kSpeakingBalloon});
  EXPECT_EQ(Count(NIM_ADD), 1) << "the icon comes for the reminder";

  // A click on the balloon brings the main window and takes the icon away.
  status.OnTrayMessage(NIN_BALLOONUSERCLICK);
  EXPECT_TRUE(IsWindowVisible(main));
  EXPECT_EQ(Count(NIM_DELETE), 1);
  ShowWindow(main, SW_HIDE);

  Run(9 * 60 * 1000, kTone);
  EXPECT_EQ(Balloons().size(), 1u);
  Run(60 * 1000, kTone);
  EXPECT_EQ(Balloons().size(), 2u);
  status.OnTrayMessage(NIN_BALLOONTIMEOUT);
  EXPECT_FALSE(status.Tray().Shown());
}

TEST_F(StatusTest, ARecordingOrTheWindowInFrontForgetsWhatWasHeard) {
  Run(50000, kTone);
  Start();
  Run(5000, kTone);
  status.RecordingStopped();
  Run(15000, kTone);
  EXPECT_TRUE(Balloons().empty()) << "50 s before the recording and 15 s after it";
  ShowWindow(main, SW_SHOW);
  SetForegroundWindow(main);
  if (GetForegroundWindow() == main) {
    Run(60000, kTone);
    EXPECT_TRUE(Balloons().empty()) << "the teacher works in the main window";
    ShowWindow(main, SW_HIDE);
  }
  Run(59900, kTone);
  EXPECT_TRUE(Balloons().empty());
  Run(100, kTone);
  EXPECT_EQ(Balloons().size(), 1u);
  // A shell that never tells the balloon's end does not keep the icon.
  Run(29900, kTone);
  EXPECT_TRUE(status.Tray().Shown());
  Run(100, kTone);
  EXPECT_FALSE(status.Tray().Shown());
}

TEST_F(StatusTest, TheMenuOffersStopPauseSnapshotAndWindowWhileRecordingAndResumeWhilePaused) {
  auto commands = [this] {
    std::vector<std::string> items;
    for (const auto& item : status.MenuItems()) items.push_back(std::to_string(item.command) + " " + item.text);
    return items;
  };
  EXPECT_EQ(commands(), std::vector<std::string>{"32791 显示主窗口"});
  Start();
  EXPECT_EQ(commands(),
            (std::vector<std::string>{"1002 停止录制", "32792 暂停录制", "32790 拍照", "32791 显示主窗口"}));
  ASSERT_TRUE(status.RecordingPaused());
  EXPECT_EQ(commands(), (std::vector<std::string>{"1002 停止录制", "32792 继续录制", "32791 显示主窗口"}));
  ASSERT_TRUE(status.RecordingResumed());
  EXPECT_EQ(commands().at(1), "32792 暂停录制");
}

TEST_F(StatusTest, APauseFreezesTheRecordedTimeInTitleAndTipAndTheResumeGoesOnFromIt) {
  EXPECT_FALSE(status.RecordingPaused()) << "nothing records";
  Start();
  Run(8000, kTone);
  ASSERT_TRUE(status.RecordingPaused());
  EXPECT_FALSE(status.RecordingPaused()) << "paused already";
  EXPECT_TRUE(status.Paused());
  EXPECT_EQ(Title(), "已暂停 00:00:08 - Lumora会议记录系统");
  EXPECT_EQ(shell.back().tip, "Lumora 已暂停 00:00:08");
  Run(6000, kTone);
  EXPECT_EQ(Title(), "已暂停 00:00:08 - Lumora会议记录系统");
  EXPECT_EQ(status.RecordedMs(), 8000u);
  EXPECT_EQ(status.PausedMs(), 6000u);
  ASSERT_TRUE(status.RecordingResumed());
  EXPECT_FALSE(status.RecordingResumed()) << "not paused";
  EXPECT_EQ(Title(), "录制中 00:00:08 - Lumora会议记录系统");
  EXPECT_EQ(shell.back().tip, "Lumora 录制中 00:00:08");
  Run(8000, kTone);
  EXPECT_EQ(Title(), "录制中 00:00:16 - Lumora会议记录系统");
  ASSERT_EQ(status.Pauses().size(), 1u);
  EXPECT_EQ(status.Pauses()[0].atMs, 8000u);
  EXPECT_EQ(status.Pauses()[0].lengthMs, 6000u);
  EXPECT_TRUE(Balloons().empty());
  status.RecordingStopped();
  EXPECT_FALSE(status.Paused());
  EXPECT_EQ(Title(), "Lumora会议记录系统");
}

TEST_F(StatusTest, APauseIsRemindedEveryFiveMinutesAndItsSilenceIsNoWarning) {
  Start();
  Run(1000, 0.0);
  status.RecordingPaused();
  // The microphone delivers nothing while the recording graph is paused.
  Run(5 * 60 * 1000 - 100, 0.0, false);
  EXPECT_TRUE(Balloons().empty()) << "4:59.9 of pause";
  EXPECT_FALSE(status.Warnings().Stands(Warning::MicrophoneSilent)) << "a pause is no silent microphone";
  Run(100, 0.0, false);
  EXPECT_EQ(Balloons(), std::vector<std::string>{"Lumora: 录制已暂停5分钟。按 Ctrl+F9 继续录制。"});
  Run(5 * 60 * 1000, 0.0, false);
  EXPECT_EQ(Balloons().back(), "Lumora: 录制已暂停10分钟。按 Ctrl+F9 继续录制。");
  EXPECT_EQ(Title(), "已暂停 00:00:01 - Lumora会议记录系统");
  EXPECT_FALSE(BadgeShows());

  // The silence before the pause and the pause itself do not count towards the next 30 s.
  status.RecordingResumed();
  Run(29000, 0.0);
  EXPECT_FALSE(status.Warnings().Stands(Warning::MicrophoneSilent));
  Run(1000, kTone);
  // A new pause counts its minutes from its own beginning.
  status.RecordingPaused();
  Run(4 * 60 * 1000, 0.0, false);
  EXPECT_EQ(Balloons().size(), 2u);
  Run(60 * 1000, 0.0, false);
  EXPECT_EQ(Balloons().back(), "Lumora: 录制已暂停5分钟。按 Ctrl+F9 继续录制。");
}

TEST_F(StatusTest, SpeakingFor20sOfAPauseIsToldAndTheMeterShowsTheLevel) {
  auto position = [this] { return SendMessageA(meter, PBM_GETPOS, 0, 0); };
  const std::string speaking = "Lumora: 您在说话，但录制已暂停。按 Ctrl+F9 继续录制。";
  Start();
  Run(30000, kTone);
  EXPECT_TRUE(Balloons().empty()) << "speech while recording";
  status.RecordingPaused();
  // Speech with gaps: 10 s loud, 10 s quiet, 9.9 s loud make 19.9 s of sound in the pause.
  Run(10000, kTone);
  EXPECT_EQ(position(), 90) << "the meter keeps showing the microphone while paused";
  Run(10000, 0.001);
  Run(9900, kTone);
  EXPECT_TRUE(Balloons().empty());
  Run(100, kTone);
  EXPECT_EQ(Balloons(), std::vector<std::string>{speaking});
  // Sound below -30 dBFS is no speech.
  Run(60000, 0.02);  // about -34 dBFS
  EXPECT_EQ(Balloons().size(), 1u);
  Run(20000, kTone);
  EXPECT_EQ(Balloons().size(), 2u);
  EXPECT_EQ(Balloons().back(), speaking);
}

TEST(RecordingPauses, RecordedTimeLeavesEveryPauseOutAndEachPauseLiesOnTheRecordedAxis) {
  RecordingPauses pauses;
  pauses.Begin(1000);
  // A pause at the very start and one of 0 ms.
  EXPECT_TRUE(pauses.Pause(1000));
  EXPECT_EQ(pauses.RecordedMs(4000), 0u);
  EXPECT_TRUE(pauses.Resume(4000));
  EXPECT_TRUE(pauses.Pause(9000));
  EXPECT_TRUE(pauses.Resume(9000));
  EXPECT_EQ(pauses.RecordedMs(10000), 6000u);
  EXPECT_TRUE(pauses.Pause(10000));
  EXPECT_EQ(pauses.CurrentPauseMs(12500), 2500u);
  EXPECT_EQ(pauses.PausedMs(12500), 5500u);
  EXPECT_EQ(pauses.RecordedMs(60000), 6000u) << "stands still while paused";
  std::vector<RecordingPause> list = pauses.List(12500);
  ASSERT_EQ(list.size(), 3u);
  EXPECT_EQ(list[0].atMs, 0u);
  EXPECT_EQ(list[0].lengthMs, 3000u);
  EXPECT_EQ(list[1].atMs, 5000u);
  EXPECT_EQ(list[1].lengthMs, 0u);
  EXPECT_EQ(list[2].atMs, 6000u);
  EXPECT_EQ(list[2].lengthMs, 2500u) << "the pause that lasts, up to now";
  EXPECT_TRUE(list[2].lasting);
  EXPECT_FALSE(list[1].lasting);
  EXPECT_TRUE(pauses.Resume(20000));
  EXPECT_EQ(pauses.RecordedMs(21000), 7000u);
  EXPECT_EQ(pauses.PausedMs(21000), 13000u);
  // A clock read before the pause's beginning counts as no time, never as a huge one.
  EXPECT_TRUE(pauses.Pause(30000));
  EXPECT_TRUE(pauses.Resume(29000));
  EXPECT_EQ(pauses.RecordedMs(31000), 17000u);
  pauses.Begin(50000);
  EXPECT_TRUE(pauses.List(60000).empty());
  EXPECT_EQ(pauses.RecordedMs(60000), 10000u);
}

TEST_F(StatusTest, TheIconComesBackWhenExplorerRestartsAndGoesWithTheProgram) {
  status.OnTaskbarCreated();
  EXPECT_EQ(Count(NIM_ADD), 0) << "no icon while nothing records";
  Start();
  status.OnTaskbarCreated();
  EXPECT_EQ(Count(NIM_ADD), 2);
  status.Detach();
  EXPECT_EQ(Count(NIM_DELETE), 1);
}

TEST(SpeakingWatch, SixtySecondsOfSoundWithinNinetyCallForTheReminder) {
  // Speech in turns: 30 s, a 30 s pause, 30 s again makes 60 of the last 90 seconds.
  auto run = [](std::vector<std::pair<int, bool>> stretches) {
    SpeakingWatch watch;
    ULONGLONG now = 1'000'000;
    int reminders = 0;
    for (auto [seconds, loud] : stretches) {
      for (int tick = 0; tick < seconds * 10; ++tick) {
        now += 100;
        reminders += watch.Update(now, 100, loud ? -6.0 : -40.0, true);
      }
    }
    return reminders;
  };
  EXPECT_EQ(run({{30, true}, {30, false}, {30, true}}), 1);
  EXPECT_EQ(run({{30, true}, {31, false}, {29, true}}), 0);
  EXPECT_EQ(run({{30, true}, {61, false}, {30, true}}), 0) << "the first 30 s slid out of the 90";
  EXPECT_EQ(run({{59, true}}), 0);
  EXPECT_EQ(run({{60, true}}), 1);
}
