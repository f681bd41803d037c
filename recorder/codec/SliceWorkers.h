// A small pool of threads that run the numbered parts of one job side by side: the encoder's
// slices of block rows. The calling thread takes parts too, so one thread means no pool at all.
#pragma once
#include <windows.h>

#include <atomic>
#include <functional>
#include <memory>
#include <vector>

class SliceWorkers {
public:
  // `threads` counts the caller; 0 means one per processor of the machine.
  explicit SliceWorkers(int threads);
  ~SliceWorkers();
  SliceWorkers(const SliceWorkers&) = delete;
  SliceWorkers& operator=(const SliceWorkers&) = delete;

  int Threads() const { return int(workers_.size()) + 1; }
  // Calls part(i) once for every i in [0, count), spread over the threads; returns when all
  // calls have returned. Parts must not throw.
  void Run(int count, const std::function<void(int)>& part);

  // Processors of this machine that this process may use.
  static int ProcessorCount();

private:
  struct Worker {
    SliceWorkers* pool = nullptr;
    HANDLE thread = nullptr;
    HANDLE go = nullptr;    // auto-reset: a job is waiting
    HANDLE done = nullptr;  // auto-reset: this worker has finished the job
  };
  static DWORD WINAPI WorkerMain(void* context);
  void TakeParts();

  std::vector<std::unique_ptr<Worker>> workers_;
  const std::function<void(int)>* part_ = nullptr;
  int count_ = 0;
  std::atomic<int> next_{0};
  std::atomic<bool> quit_{false};
};
