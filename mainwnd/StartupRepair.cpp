// The start-up repair as the main window shows it: the lessons cut off earlier are repaired on
// a worker thread while the window is up; each one's row shows "等待修复" until its turn, then
// "正在修复" with its percent, and the list is filled again when all are done.
#include "mainwnd/MainDialog.h"

#include "framework/PaintingWait.h"
#include "framework/Text.h"
#include "lessons/LessonList.h"
#include "mainwnd/InterruptedLessons.h"

namespace {
// How long the exit waits for a repair to stop (it stops at its next read).
constexpr DWORD kRepairStopTimeoutMs = 30000;

std::string RepairStateText(int percent) {
  if (percent == LessonRepairWorker::kWaiting) return "等待修复";
  return Format("正在修复 %d%%", percent);
}
}  // namespace

void MainDialog::StartLessonRepair() {
  repairSaveDir_ = settings.SaveDir;
  repairWorker.Start(hwnd_, FindInterruptedLessons(repairSaveDir_));
  ShowRepairStates();
}

void MainDialog::OnLessonRepairNews(WPARAM news) {
  if (news == LessonRepairWorker::Finished) {
    // Every repaired lesson is listed with its length now.
    FillLessonList();
    return;
  }
  ShowRepairStates();
}

void MainDialog::ShowRepairStates() {
  // The list shows another save folder than the repair's since the settings changed it.
  if (lstrcmpiA(repairSaveDir_.c_str(), settings.SaveDir.c_str()) != 0) return;
  const std::map<std::string, int> pending = repairWorker.Pending();
  HWND list = Item(IDC_LESSON_LIST);
  // A lesson done with shows its length again.
  for (const auto& shown : shownRepairStates_)
    if (!pending.count(shown.first)) lessonRows.ShowRowState(list, settings.SaveDir, shown.first, "");
  for (const auto& lesson : pending) {
    auto shown = shownRepairStates_.find(lesson.first);
    if (shown == shownRepairStates_.end() || shown->second != lesson.second)
      lessonRows.ShowRowState(list, settings.SaveDir, lesson.first, RepairStateText(lesson.second));
  }
  shownRepairStates_ = pending;
}

bool MainDialog::LessonUnderRepair(const std::string& lessonFolder) const {
  for (const auto& lesson : repairWorker.Pending()) {
    if (lstrcmpiA(LessonFolderPath(repairSaveDir_, lesson.first).c_str(), lessonFolder.c_str()) == 0) return true;
  }
  return false;
}

void MainDialog::StopLessonRepair() {
  repairWorker.RequestStop();
  if (HANDLE thread = repairWorker.Thread()) WaitKeepingWindowsPainted(thread, kRepairStopTimeoutMs);
  repairWorker.Stop(0);
}
