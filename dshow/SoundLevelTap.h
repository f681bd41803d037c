// The microphone meter's reading, handed from the streaming thread that measures it to the
// window's thread that shows it.
#pragma once
#include <atomic>
#include <cstdint>

namespace dshow {

// The meter's reading, written by the streaming thread and read by the window's thread; plain
// atomics, so neither side waits for the other.
class SoundLevelTap {
public:
  // Streaming thread: the peak (0.0 to 1.0) of the last 100 ms after one more buffer.
  void Publish(double peak) {
    peak_.store(static_cast<float>(peak), std::memory_order_relaxed);
    buffers_.fetch_add(1, std::memory_order_release);
  }
  // The newest peak published.
  double Peak() const { return peak_.load(std::memory_order_relaxed); }
  // How many buffers were measured; a count that stops changing means no sound arrives.
  uint32_t Buffers() const { return buffers_.load(std::memory_order_acquire); }

private:
  std::atomic<float> peak_{0.0f};
  std::atomic<uint32_t> buffers_{0};
};

}  // namespace dshow
