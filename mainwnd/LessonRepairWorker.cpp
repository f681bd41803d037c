#include "mainwnd/LessonRepairWorker.h"

UINT LessonRepairWorker::Message() {
  static const UINT message = RegisterWindowMessageA("Lumora.LessonRepair");
  return message;
}

LessonRepairWorker::LessonRepairWorker()
    : mayRun_(CreateEventA(nullptr, TRUE, TRUE, nullptr)), stop_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}

void LessonRepairWorker::Start(HWND window, std::vector<InterruptedLesson> lessons) {
  if (lessons.empty() || thread_) return;
  window_ = window;
  {
    std::lock_guard<std::mutex> hold(lock_);
    for (const InterruptedLesson& lesson : lessons)
      if (!lesson.records.empty()) pending_[lesson.folderName] = kWaiting;
    running_ = true;
  }
  lessons_ = std::move(lessons);
  thread_.Reset(CreateThread(nullptr, 0, Run, this, 0, nullptr));
  if (!thread_) {
    // Without a thread the lessons stay as they are, for the next start.
    std::lock_guard<std::mutex> hold(lock_);
    pending_.clear();
    running_ = false;
  }
}

void LessonRepairWorker::Pause() {
  if (mayRun_) ResetEvent(mayRun_.Get());
}

void LessonRepairWorker::Resume() {
  if (mayRun_) SetEvent(mayRun_.Get());
}

void LessonRepairWorker::RequestStop() {
  if (stop_) SetEvent(stop_.Get());
}

bool LessonRepairWorker::Stop(DWORD timeoutMs) {
  if (!thread_) return true;
  RequestStop();
  if (WaitForSingleObject(thread_.Get(), timeoutMs) != WAIT_OBJECT_0) return false;
  thread_.Reset();
  return true;
}

bool LessonRepairWorker::Running() const {
  std::lock_guard<std::mutex> hold(lock_);
  return running_;
}

std::map<std::string, int> LessonRepairWorker::Pending() const {
  std::lock_guard<std::mutex> hold(lock_);
  return pending_;
}

bool LessonRepairWorker::UnderRepair(const std::string& folderName) const {
  std::lock_guard<std::mutex> hold(lock_);
  return pending_.count(folderName) != 0;
}

std::vector<RecoveredLesson> LessonRepairWorker::Results() const {
  std::lock_guard<std::mutex> hold(lock_);
  return results_;
}

void LessonRepairWorker::Post(News news) {
  if (window_) PostMessageA(window_, Message(), news, 0);
}

bool LessonRepairWorker::Report(const std::string& folderName, int percent) {
  // Paused while a recording runs; the stop wakes it.
  HANDLE wake[] = {stop_.Get(), mayRun_.Get()};
  if (WaitForMultipleObjects(2, wake, FALSE, INFINITE) == WAIT_OBJECT_0) return false;
  bool changed;
  {
    std::lock_guard<std::mutex> hold(lock_);
    auto lesson = pending_.find(folderName);
    changed = lesson != pending_.end() && lesson->second != percent;
    if (percent >= 100 && lesson != pending_.end()) {
      pending_.erase(lesson);
    } else if (changed) {
      lesson->second = percent;
    }
  }
  if (changed) Post(Progress);
  return true;
}

DWORD WINAPI LessonRepairWorker::Run(void* self) {
  auto& worker = *static_cast<LessonRepairWorker*>(self);
  // The repair gives way to everything the teacher does: lower processor and disk priority (a
  // thread can enter the background mode only itself).
  if (!SetThreadPriority(GetCurrentThread(), THREAD_MODE_BACKGROUND_BEGIN))
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL);
  std::vector<RecoveredLesson> results =
      RecoverLessons(worker.lessons_, [&worker](const std::string& folderName, int percent) {
        return worker.Report(folderName, percent);
      });
  {
    std::lock_guard<std::mutex> hold(worker.lock_);
    worker.results_ = std::move(results);
    worker.pending_.clear();
    worker.running_ = false;
  }
  worker.Post(Finished);
  return 0;
}
