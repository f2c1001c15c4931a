#include "component/log_list.h"

namespace quorbel {

namespace {

std::string Cut(std::string_view text) {
  return std::string(text.substr(0, TLogList::kLineBytes - 1));
}

}  // namespace

std::vector<std::string> TLogList::Add(std::thread::id thread, std::string_view prefix,
                                       std::string_view message) {
  std::lock_guard lock(mutex_);
  std::string& pending = pending_[thread];
  std::string text = pending.empty() ? std::string(prefix) : std::move(pending);
  text.append(message);

  std::vector<std::string> lines;
  std::string_view rest = text;
  for (size_t end = rest.find('\n'); end != std::string_view::npos; end = rest.find('\n')) {
    lines.push_back(Cut(rest.substr(0, end)));
    rest.remove_prefix(end + 1);
  }
  // Held text is cut too, so that a line that never ends cannot grow without bound.
  pending = Cut(rest);
  if (pending.empty()) pending_.erase(thread);
  return lines;
}

void TLogList::Clear() {
  std::lock_guard lock(mutex_);
  pending_.clear();
}

}  // namespace quorbel
