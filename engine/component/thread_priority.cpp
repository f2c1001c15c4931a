#include "component/thread_priority.h"

#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "base/text.h"

namespace quorbel {

namespace {

constexpr int kHighestNice = 19;

int NiceIncrement(TConvertPriority priority) {
  switch (priority) {
    case tpLowest:
      return 10;
    case tpLower:
      return 5;
    default:
      return 0;
  }
}

std::string SystemError(const char* call, int code) {
  return StrPrintf("Could not set the thread priority (%s): %s", call, std::strerror(code));
}

}  // namespace

bool ApplyThreadPriority(TConvertPriority priority, std::string& error) {
  if (priority == tpIdle) {
    const sched_param parameters{};
    const int result = pthread_setschedparam(pthread_self(), SCHED_IDLE, &parameters);
    if (result != 0) error = SystemError("SCHED_IDLE", result);
    return result == 0;
  }
  const int increment = NiceIncrement(priority);
  if (increment == 0) return true;
  // On Linux the nice value of a thread id is that thread's own.
  const id_t thread = static_cast<id_t>(gettid());
  errno = 0;
  const int current = getpriority(PRIO_PROCESS, thread);
  if (current == -1 && errno != 0) {
    error = SystemError("getpriority", errno);
    return false;
  }
  if (setpriority(PRIO_PROCESS, thread, std::min(current + increment, kHighestNice)) != 0) {
    error = SystemError("setpriority", errno);
    return false;
  }
  return true;
}

}  // namespace quorbel
