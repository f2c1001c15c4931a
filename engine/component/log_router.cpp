#include "component/log_router.h"

#include <cinttypes>
#include <condition_variable>
#include <cstdio>
#include <list>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "base/text.h"
#include "binding/log_level.h"
#include "component/log_list.h"
#include "quorbel/transcoder.h"

extern "C" {
#include <libavutil/log.h>
}

namespace quorbel::log_routing {

namespace {

struct Registered {
  TCustomTranscoder* component;
  int deliveries = 0;    // lines being delivered to it right now
  bool leaving = false;  // unregistering: takes no new lines
};

// The registry is only held to pick the receivers of a line, never while a line is delivered:
// delivering takes each component's critical section, and a thread that holds one may itself log
// (an event handler, or a job's thread holding CodecLock while it opens a codec).
struct Registry {
  std::mutex mutex;
  std::condition_variable delivered;
  std::list<Registered> components;  // guarded by mutex
};

Registry& TheRegistry() {
  static Registry registry;
  return registry;
}

TLogList& PendingText() {
  static TLogList list;
  return list;
}

std::string ContextPrefix(void* context) {
  const AVClass* avClass = *static_cast<const AVClass**>(context);
  if (avClass == nullptr) return "";
  const char* item = avClass->item_name != nullptr ? avClass->item_name(context) : avClass->class_name;
  return StrPrintf("[%s @ %08" PRIXPTR "]", item != nullptr ? item : "",
                   reinterpret_cast<uintptr_t>(avClass));
}

void Deliver(int level, const std::vector<std::string>& lines) {
  Registry& registry = TheRegistry();
  std::vector<Registered*> receivers;
  {
    std::lock_guard lock(registry.mutex);
    for (Registered& entry : registry.components) {
      if (entry.leaving) continue;
      ++entry.deliveries;
      receivers.push_back(&entry);
    }
  }
  const std::thread::id thread = std::this_thread::get_id();
  for (const std::string& line : lines) {
    for (Registered* receiver : receivers) {
      // The libraries call us from C: an exception of an event handler must end here.
      try {
        RouteLibraryLine(*receiver->component, thread, level, line);
      } catch (...) {
      }
    }
  }
  {
    std::lock_guard lock(registry.mutex);
    for (Registered* receiver : receivers) --receiver->deliveries;
  }
  registry.delivered.notify_all();
}

}  // namespace

void Register(TCustomTranscoder& component) {
  Registry& registry = TheRegistry();
  std::lock_guard lock(registry.mutex);
  registry.components.push_back({&component});
}

void Unregister(TCustomTranscoder& component) {
  Registry& registry = TheRegistry();
  std::unique_lock lock(registry.mutex);
  for (auto entry = registry.components.begin(); entry != registry.components.end(); ++entry) {
    if (entry->component != &component) continue;
    entry->leaving = true;
    registry.delivered.wait(lock, [&] { return entry->deliveries == 0; });
    registry.components.erase(entry);
    return;
  }
}

void InstallLogCallback() {
  av_log_set_callback(LibraryLogCallback);
}

void ClearPendingText() {
  PendingText().Clear();
}

void LibraryLogCallback(void* context, int level, const char* format, va_list args) {
  // Levels may carry a colour in their upper bits.
  if (level >= 0) level &= 0xff;
  const int engineLevel = binding::FromAvLogLevel(level);
  if (binding::CachedLogLevel() < engineLevel) return;

  char message[TLogList::kLineBytes];
  std::vsnprintf(message, sizeof(message), format, args);
  const std::string prefix = context != nullptr ? ContextPrefix(context) : std::string();
  const std::vector<std::string> lines = PendingText().Add(std::this_thread::get_id(), prefix, message);
  if (!lines.empty()) Deliver(engineLevel, lines);
}

}  // namespace quorbel::log_routing
