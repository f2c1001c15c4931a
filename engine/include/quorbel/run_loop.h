// The caller's loop, as the engine sees it: a place to run a callable later on the caller's own
// thread. TTranscoder::StartJobs(0) begins each job from it, so that a job that runs in the
// caller's thread starts between two turns of the caller's loop rather than inside an event.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

namespace quorbel {

class RunLoop {
 public:
  virtual ~RunLoop() = default;
  // Runs `task` on the loop's thread once `delay` has passed. May be called from any thread.
  virtual void PostDelayed(std::chrono::milliseconds delay, std::function<void()> task) = 0;
};

// A loop the caller pumps: tasks run inside Run, on the thread that calls it, in the order they
// fall due (tasks due at the same time in the order they were posted).
class PlainRunLoop : public RunLoop {
 public:
  void PostDelayed(std::chrono::milliseconds delay, std::function<void()> task) override;

  // Runs tasks as they fall due until Quit is called; then returns, leaving later tasks posted.
  void Run();
  // Makes Run return after the task it is running, if any. May be called from any thread, also
  // before Run (which then returns at once).
  void Quit();
  // Number of tasks not yet run.
  size_t Pending() const;

 private:
  using Clock = std::chrono::steady_clock;
  struct Task {
    Clock::time_point due;
    uint64_t sequence;
    std::function<void()> run;
  };

  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::vector<Task> tasks_;    // guarded by mutex_
  uint64_t nextSequence_ = 0;  // guarded by mutex_
  bool quit_ = false;          // guarded by mutex_
};

}  // namespace quorbel
