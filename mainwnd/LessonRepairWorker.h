// The start-up repair of interrupted lessons (InterruptedLessons.h) on a thread of its own, so
// that the main window is up at once. It tells the window of every change by a posted message
// (Message(); the window then reads Pending() here), pauses while a recording runs so that it
// never takes the recording's disk or processor time, and is stopped at the program's exit,
// which leaves what is not done for the next start (the repair writes beside and swaps in, so a
// stop anywhere loses nothing).
#pragma once
#include "framework/Handles.h"
#include "mainwnd/InterruptedLessons.h"

#include <windows.h>
#include <map>
#include <mutex>
#include <string>
#include <vector>

class LessonRepairWorker {
public:
  // wParam of Message(): a lesson's state changed, or the whole repair is over.
  enum News : WPARAM { Progress = 0, Finished = 1 };
  // A lesson waiting for its turn, in Pending().
  static constexpr int kWaiting = -1;

  // The registered window message the worker posts.
  static UINT Message();

  LessonRepairWorker();
  // The thread works on this object: it is waited for however long its last step takes.
  ~LessonRepairWorker() { Stop(INFINITE); }
  LessonRepairWorker(const LessonRepairWorker&) = delete;
  LessonRepairWorker& operator=(const LessonRepairWorker&) = delete;

  // Repairs the lessons found (FindInterruptedLessons) and tells `window`; nothing to do starts
  // no thread. Only these lessons are touched, never one begun later.
  void Start(HWND window, std::vector<InterruptedLesson> lessons);
  // While a recording runs the worker waits before its next read (also when paused before it
  // starts).
  void Pause();
  void Resume();
  // Asks the repair to stop at its next read; the thread, if any, is then Thread().
  void RequestStop();
  HANDLE Thread() const { return thread_.Get(); }
  // Asks the repair to stop and waits up to `timeoutMs` for the thread; true when it ended.
  bool Stop(DWORD timeoutMs = 30000);

  // Whether lessons are still waiting or under repair.
  bool Running() const;
  // The lessons with records still waiting (kWaiting) or under repair (their percent).
  std::map<std::string, int> Pending() const;
  bool UnderRepair(const std::string& folderName) const;
  // What the repair gave (read after Finished).
  std::vector<RecoveredLesson> Results() const;

private:
  static DWORD WINAPI Run(void* self);
  // Called by the repair as it reads: records the percent, waits while paused; false to stop.
  bool Report(const std::string& folderName, int percent);
  void Post(News news);

  mutable std::mutex lock_;
  std::map<std::string, int> pending_;
  std::vector<RecoveredLesson> results_;
  bool running_ = false;
  std::vector<InterruptedLesson> lessons_;
  HWND window_ = nullptr;
  UniqueHandle thread_;
  UniqueHandle mayRun_;  // manual-reset: set while not paused
  UniqueHandle stop_;    // manual-reset: set when the repair is to stop
};
