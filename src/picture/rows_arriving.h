#pragma once

// The rows of a picture that another thread is still decoding: the decoder
// tells how many rows from the top are whole, and a reader waits for those it
// needs. The picture's pixel storage must be sized before decoding starts
// and not resized until it ends; whole rows are only read, never written.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

namespace tilora {

class RowsArriving {
 public:
  // Rows [0, rows) are whole; rows only grow.
  void Publish(std::int32_t rows) {
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      if (rows <= whole_.load(std::memory_order_relaxed)) return;
      whole_.store(rows, std::memory_order_release);
    }
    changed_.notify_all();
  }

  // No more rows will come: the decoding failed or ended.
  void Stop() {
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      stopped_.store(true, std::memory_order_release);
    }
    changed_.notify_all();
  }

  // Waits until rows [0, rows) are whole; false when the decoding stopped
  // before them.
  bool Await(std::int32_t rows) const {
    // Rows come a fraction of a millisecond apart, and waking a thread that
    // sleeps can take as long on a virtual machine: a short busy wait first,
    // which gives the processor away at every turn.
    const auto until = std::chrono::steady_clock::now() + kBusyWait;
    for (unsigned turn = 0;; ++turn) {
      if (whole_.load(std::memory_order_acquire) >= rows) return true;
      if (stopped_.load(std::memory_order_acquire)) break;
      if (turn % 64 == 63 && std::chrono::steady_clock::now() > until) break;
      std::this_thread::yield();
    }
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [&] {
      return whole_.load(std::memory_order_acquire) >= rows || stopped_.load(std::memory_order_acquire);
    });
    return whole_.load(std::memory_order_acquire) >= rows;
  }

 private:
  static constexpr std::chrono::milliseconds kBusyWait{2};
  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  std::atomic<std::int32_t> whole_{0};
  std::atomic<bool> stopped_{false};
};

}  // namespace tilora
