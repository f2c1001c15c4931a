#include "binding/log_level.h"

#include <atomic>

extern "C" {
#include <libavutil/log.h>
}

namespace quorbel::binding {

namespace {
// Read by the log callback on every thread; written by configuration calls.
std::atomic<int> cachedEngineLevel{FromAvLogLevel(AV_LOG_INFO)};
}  // namespace

int ToAvLogLevel(int engineLevel) {
  if (engineLevel < 0) return AV_LOG_QUIET;
  switch (engineLevel) {
    case 0:
      return AV_LOG_WARNING;
    case 1:
      return AV_LOG_INFO;
    case 2:
      return AV_LOG_DEBUG;
    default:
      return AV_LOG_TRACE;
  }
}

int FromAvLogLevel(int avLevel) {
  if (avLevel <= AV_LOG_QUIET) return -1;
  if (avLevel <= AV_LOG_WARNING) return 0;
  if (avLevel <= AV_LOG_INFO) return 1;
  if (avLevel <= AV_LOG_DEBUG) return 2;
  return 3;
}

void SetLibraryLogLevel(int engineLevel) {
  av_log_set_level(ToAvLogLevel(engineLevel));
  RefreshCachedLogLevel();
}

void RefreshCachedLogLevel() {
  cachedEngineLevel.store(FromAvLogLevel(av_log_get_level()));
}

int CachedLogLevel() {
  return cachedEngineLevel.load();
}

}  // namespace quorbel::binding
