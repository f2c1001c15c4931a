// The gate a job's thread passes at the run's safe points. Closing it pauses the job at the next
// such point; opening it lets the job go on. Nothing is interrupted between two safe points, so
// a paused job holds no codec or file in a half-written state.
#pragma once

#include <condition_variable>
#include <mutex>

namespace quorbel {

class PauseGate {
 public:
  void Close() {
    std::lock_guard lock(mutex_);
    closed_ = true;
  }
  void Open() {
    {
      std::lock_guard lock(mutex_);
      closed_ = false;
    }
    changed_.notify_all();
  }
  bool IsClosed() const {
    std::lock_guard lock(mutex_);
    return closed_;
  }

  // Returns at once while the gate is open; otherwise blocks until it opens.
  void Pass() {
    std::unique_lock lock(mutex_);
    if (!closed_) return;
    ++holding_;
    changed_.notify_all();
    changed_.wait(lock, [this] { return !closed_; });
    --holding_;
  }

  // Blocks until a thread is held at the closed gate, or the gate is open again. Returns whether
  // a thread is held: a caller that paused a job learns when the job has actually stopped.
  bool AwaitHeld() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return holding_ > 0 || !closed_; });
    return holding_ > 0;
  }

 private:
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  bool closed_ = false;  // guarded by mutex_
  int holding_ = 0;      // threads blocked in Pass; guarded by mutex_
};

}  // namespace quorbel
