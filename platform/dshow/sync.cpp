#include "dshow/sync.h"

#include <chrono>

namespace quorbel::dshow {

CAMEvent::CAMEvent(bool manualReset) : manualReset_(manualReset) {}

void CAMEvent::Set() {
  {
    const std::lock_guard lock(mutex_);
    signalled_ = true;
  }
  changed_.notify_all();
}

void CAMEvent::Reset() {
  const std::lock_guard lock(mutex_);
  signalled_ = false;
}

bool CAMEvent::Wait(uint32_t timeoutMs) {
  std::unique_lock lock(mutex_);
  const auto signalled = [this] { return signalled_; };
  if (timeoutMs == INFINITE) {
    changed_.wait(lock, signalled);
  } else if (!changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), signalled)) {
    return false;
  }
  if (!manualReset_) signalled_ = false;
  return true;
}

bool CAMEvent::Check() {
  const std::lock_guard lock(mutex_);
  return signalled_;
}

}  // namespace quorbel::dshow
