#include "recorder/codec/SliceWorkers.h"

#include <algorithm>

int SliceWorkers::ProcessorCount() {
  DWORD_PTR processMask = 0, systemMask = 0;
  int count = 0;
  if (GetProcessAffinityMask(GetCurrentProcess(), &processMask, &systemMask))
    for (; processMask; processMask &= processMask - 1) ++count;
  if (count == 0) {
    SYSTEM_INFO info = {};
    GetSystemInfo(&info);
    count = int(info.dwNumberOfProcessors);
  }
  return std::max(1, count);
}

SliceWorkers::SliceWorkers(int threads) {
  if (threads <= 0) threads = ProcessorCount();
  // A thread that cannot be made leaves its parts to the others.
  for (int i = 1; i < threads; ++i) {
    auto worker = std::make_unique<Worker>();
    worker->pool = this;
    worker->go = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    worker->done = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    if (worker->go && worker->done)
      worker->thread = CreateThread(nullptr, 0, &SliceWorkers::WorkerMain, worker.get(), 0, nullptr);
    if (!worker->thread) {
      if (worker->go) CloseHandle(worker->go);
      if (worker->done) CloseHandle(worker->done);
      break;
    }
    workers_.push_back(std::move(worker));
  }
}

SliceWorkers::~SliceWorkers() {
  quit_ = true;
  for (auto& worker : workers_) SetEvent(worker->go);
  for (auto& worker : workers_) {
    WaitForSingleObject(worker->thread, INFINITE);
    CloseHandle(worker->thread);
    CloseHandle(worker->go);
    CloseHandle(worker->done);
  }
}

DWORD WINAPI SliceWorkers::WorkerMain(void* context) {
  Worker& worker = *static_cast<Worker*>(context);
  for (;;) {
    WaitForSingleObject(worker.go, INFINITE);
    if (worker.pool->quit_) return 0;
    worker.pool->TakeParts();
    SetEvent(worker.done);
  }
}

void SliceWorkers::TakeParts() {
  for (int i = next_.fetch_add(1); i < count_; i = next_.fetch_add(1)) (*part_)(i);
}

void SliceWorkers::Run(int count, const std::function<void(int)>& part) {
  if (count <= 0) return;
  part_ = &part;
  count_ = count;
  next_ = 0;
  // Only as many workers as there are parts beyond the caller's first one are woken.
  const size_t helpers = std::min(workers_.size(), size_t(count - 1));
  for (size_t i = 0; i < helpers; ++i) SetEvent(workers_[i]->go);
  TakeParts();
  for (size_t i = 0; i < helpers; ++i) WaitForSingleObject(workers_[i]->done, INFINITE);
  part_ = nullptr;
}
