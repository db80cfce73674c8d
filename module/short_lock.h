// A lock for critical sections of a few instructions. Unlike std::mutex on
// every toolchain we build with (MinGW's is not constexpr), it can live in a
// constant-initialised object, so the module's state needs no start-up step.
#pragma once

#include <atomic>
#include <thread>

namespace tovrel {

class ShortLock {
 public:
  constexpr ShortLock() = default;
  ShortLock(const ShortLock&) = delete;
  ShortLock& operator=(const ShortLock&) = delete;

  void lock() noexcept {
    while (held_.test_and_set(std::memory_order_acquire)) std::this_thread::yield();
  }
  void unlock() noexcept { held_.clear(std::memory_order_release); }

 private:
  std::atomic_flag held_;
};

}  // namespace tovrel
