#include "interrupt_watcher.h"

#include <pthread.h>
#include <unistd.h>

#include <cstdlib>

namespace quorbel::cli {

namespace {

// Sent by the destructor to end the watching thread.
constexpr int kEndSignal = SIGUSR2;
constexpr int kAbortedStatus = 130;  // 128 + SIGINT, as shells report it

sigset_t WatchedSignals() {
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, kEndSignal);
  return signals;
}

}  // namespace

InterruptWatcher::InterruptWatcher(TCustomTranscoder& transcoder) : transcoder_(transcoder) {
  const sigset_t signals = WatchedSignals();
  pthread_sigmask(SIG_BLOCK, &signals, &previousMask_);
  thread_ = std::thread(&InterruptWatcher::Watch, this);
}

InterruptWatcher::~InterruptWatcher() {
  ending_ = true;
  pthread_kill(thread_.native_handle(), kEndSignal);
  thread_.join();
  const sigset_t signals = WatchedSignals();
  sigset_t pending;
  sigpending(&pending);
  const timespec now{0, 0};
  while (sigismember(&pending, SIGINT) == 1 || sigismember(&pending, kEndSignal) == 1) {
    sigtimedwait(&signals, nullptr, &now);
    sigpending(&pending);
  }
  pthread_sigmask(SIG_SETMASK, &previousMask_, nullptr);
}

void InterruptWatcher::Watch() {
  const sigset_t signals = WatchedSignals();
  for (;;) {
    int signal = 0;
    if (sigwait(&signals, &signal) != 0) continue;
    if (signal == kEndSignal) {
      if (ending_) return;
      continue;
    }
    if (!interrupted_.exchange(true)) {
      transcoder_.StopJobs();
      continue;
    }
    constexpr char kAborted[] = "quorbel-cli convert: aborted\n";
    [[maybe_unused]] const ssize_t written = write(STDERR_FILENO, kAborted, sizeof(kAborted) - 1);
    std::_Exit(kAbortedStatus);
  }
}

}  // namespace quorbel::cli
