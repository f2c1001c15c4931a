// Ctrl-C while a conversion runs: the first one stops the jobs (their outputs keep their
// trailers), a second one ends the program at once.
#pragma once

#include <signal.h>

#include <atomic>
#include <thread>

#include "quorbel/transcoder.h"

namespace quorbel::cli {

class InterruptWatcher {
 public:
  // Blocks SIGINT in the calling thread, and so in every thread it starts from now on, and
  // takes it in a thread of its own instead. Construct it before the jobs start.
  explicit InterruptWatcher(TCustomTranscoder& transcoder);
  // Ends the watching thread, drops an interrupt that came too late to matter and restores the
  // calling thread's signal mask.
  ~InterruptWatcher();
  InterruptWatcher(const InterruptWatcher&) = delete;
  InterruptWatcher& operator=(const InterruptWatcher&) = delete;

  bool Interrupted() const { return interrupted_; }

 private:
  void Watch();

  TCustomTranscoder& transcoder_;
  sigset_t previousMask_;
  std::atomic<bool> interrupted_{false};
  std::atomic<bool> ending_{false};
  std::thread thread_;
};

}  // namespace quorbel::cli
