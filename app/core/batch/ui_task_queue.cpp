#include "core/batch/ui_task_queue.h"

#include <utility>

namespace quorbel::app {

void UiTaskQueue::Post(std::function<void()> task) {
  {
    std::lock_guard lock(mutex_);
    tasks_.push_back(std::move(task));
  }
  posted_.notify_one();
}

void UiTaskQueue::RunUntil(const std::function<bool()>& done, const std::function<void()>& tick,
                           std::chrono::milliseconds interval) {
  using Clock = std::chrono::steady_clock;
  auto nextTick = Clock::now() + interval;
  while (!done()) {
    std::function<void()> task;
    {
      std::unique_lock lock(mutex_);
      posted_.wait_until(lock, nextTick, [&] { return !tasks_.empty(); });
      if (!tasks_.empty()) {
        task = std::move(tasks_.front());
        tasks_.pop_front();
      }
    }
    if (task) {
      task();
      if (done()) return;
    }
    if (Clock::now() >= nextTick) {
      // A late beat is not made up for: the timer of a window does not queue its beats either.
      nextTick = Clock::now() + interval;
      tick();
    }
  }
}

}  // namespace quorbel::app
