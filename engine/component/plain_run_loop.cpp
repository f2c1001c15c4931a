#include <algorithm>

#include "quorbel/run_loop.h"

namespace quorbel {

void PlainRunLoop::PostDelayed(std::chrono::milliseconds delay, std::function<void()> task) {
  {
    std::lock_guard lock(mutex_);
    tasks_.push_back({Clock::now() + delay, nextSequence_++, std::move(task)});
  }
  wake_.notify_all();
}

void PlainRunLoop::Run() {
  std::unique_lock lock(mutex_);
  while (!quit_) {
    if (tasks_.empty()) {
      wake_.wait(lock);
      continue;
    }
    const auto next = std::min_element(tasks_.begin(), tasks_.end(), [](const Task& a, const Task& b) {
      return a.due != b.due ? a.due < b.due : a.sequence < b.sequence;
    });
    if (next->due > Clock::now()) {
      wake_.wait_until(lock, next->due);
      continue;
    }
    std::function<void()> run = std::move(next->run);
    tasks_.erase(next);
    // The task may post further tasks or call Quit.
    lock.unlock();
    run();
    lock.lock();
  }
  quit_ = false;
}

void PlainRunLoop::Quit() {
  {
    std::lock_guard lock(mutex_);
    quit_ = true;
  }
  wake_.notify_all();
}

size_t PlainRunLoop::Pending() const {
  std::lock_guard lock(mutex_);
  return tasks_.size();
}

}  // namespace quorbel
