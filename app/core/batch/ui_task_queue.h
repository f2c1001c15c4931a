// The user-interface thread of a window-less front end: tasks posted from any thread run on the
// thread that calls RunUntil, in the order they were posted, between the beats of a timer.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

namespace quorbel::app {

class UiTaskQueue {
 public:
  // May be called from any thread, also from a task.
  void Post(std::function<void()> task);

  // Runs posted tasks and calls `tick` every `interval`, until `done` holds; `done` is asked
  // before the first task and after every task and tick. Tasks still posted stay for the next
  // call.
  void RunUntil(const std::function<bool()>& done, const std::function<void()>& tick,
                std::chrono::milliseconds interval);

 private:
  std::mutex mutex_;
  std::condition_variable posted_;
  std::deque<std::function<void()>> tasks_;  // guarded by mutex_
};

}  // namespace quorbel::app
