#include "mainwnd/StatusTexts.h"

#include "framework/Text.h"

const char kMainWindowTitle[] = "Lumora会议记录系统";

namespace {
std::string Joined(const std::vector<std::string>& parts) {
  std::string text;
  for (const std::string& part : parts) text += " " + part;
  return text;
}
}  // namespace

std::string ElapsedText(ULONGLONG ms) {
  ULONGLONG seconds = ms / 1000;
  return Format("%02llu:%02llu:%02llu", seconds / 3600, seconds % 3600 / 60, seconds % 60);
}

std::string RecordingTitle(ULONGLONG elapsedMs, const std::vector<std::string>& shortForms) {
  return "录制中 " + ElapsedText(elapsedMs) + Joined(shortForms) + " - " + kMainWindowTitle;
}

std::string RecordingTip(ULONGLONG elapsedMs) { return "Lumora 录制中 " + ElapsedText(elapsedMs); }

std::string PausedTitle(ULONGLONG recordedMs, const std::vector<std::string>& shortForms) {
  return "已暂停 " + ElapsedText(recordedMs) + Joined(shortForms) + " - " + kMainWindowTitle;
}

std::string PausedTip(ULONGLONG recordedMs) { return "Lumora 已暂停 " + ElapsedText(recordedMs); }

std::string PauseReminderText(ULONGLONG minutes) {
  return Format("录制已暂停%llu分钟。按 Ctrl+F9 继续录制。", minutes);
}

std::string BadgeText(const std::vector<std::string>& shortForms) { return "●" + Joined(shortForms); }
