// Locks and events of the filters: a critical section the same thread may enter again, a
// scope lock, and an event that is signalled and waited for, reset by hand or on release.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace quorbel::dshow {

using CCritSec = std::recursive_mutex;
using CAutoLock = std::lock_guard<std::recursive_mutex>;

inline constexpr uint32_t INFINITE = 0xFFFFFFFF;

class CAMEvent {
 public:
  // manualReset: stays signalled until Reset; otherwise one waiter takes the signal.
  explicit CAMEvent(bool manualReset = false);
  CAMEvent(const CAMEvent&) = delete;
  CAMEvent& operator=(const CAMEvent&) = delete;

  void Set();
  void Reset();
  // True when signalled within timeoutMs (INFINITE: no limit).
  bool Wait(uint32_t timeoutMs = INFINITE);
  // Signalled now, without waiting or taking the signal.
  bool Check();

 private:
  const bool manualReset_;
  std::mutex mutex_;
  std::condition_variable changed_;
  bool signalled_ = false;  // guarded by mutex_
};

}  // namespace quorbel::dshow
