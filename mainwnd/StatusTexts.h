// The texts through which the recording's state reaches the teacher: the main window's title
// (which the taskbar button shows), the notification-area icon's tip and the warning badge.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

// The main window's title while no recording runs.
extern const char kMainWindowTitle[];

// "HH:MM:SS" of a duration; the hours grow past two digits.
std::string ElapsedText(ULONGLONG ms);
// "录制中 00:12:34 - Lumora会议记录系统", the standing warnings' short forms after the time.
std::string RecordingTitle(ULONGLONG elapsedMs, const std::vector<std::string>& shortForms);
// "Lumora 录制中 00:12:34".
std::string RecordingTip(ULONGLONG elapsedMs);
// "已暂停 00:12:34 - Lumora会议记录系统" with the recorded time, the warnings' short forms after it.
std::string PausedTitle(ULONGLONG recordedMs, const std::vector<std::string>& shortForms);
// "Lumora 已暂停 00:12:34".
std::string PausedTip(ULONGLONG recordedMs);
// "录制已暂停5分钟。按 Ctrl+F9 继续录制。"
std::string PauseReminderText(ULONGLONG minutes);
// "● 麦克风无声", every standing warning's short form after the dot.
std::string BadgeText(const std::vector<std::string>& shortForms);
