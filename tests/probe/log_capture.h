// Collects the libraries' log lines while it lives.
#pragma once

#include <cstdarg>
#include <cstdio>
#include <string>
#include <vector>

extern "C" {
#include <libavutil/log.h>
}

namespace quorbel {

struct LogLine {
  int avLevel;
  std::string text;
  bool operator==(const LogLine&) const = default;
};

class LogCapture {
 public:
  LogCapture() {
    Lines().clear();
    av_log_set_callback(Capture);
  }
  ~LogCapture() { av_log_set_callback(av_log_default_callback); }
  LogCapture(const LogCapture&) = delete;
  LogCapture& operator=(const LogCapture&) = delete;

  // Lines logged without a context, which is how the probe logs.
  std::vector<LogLine> ContextFreeLines() const { return Lines(); }

 private:
  static std::vector<LogLine>& Lines() {
    static std::vector<LogLine> lines;
    return lines;
  }

  static void Capture(void* context, int level, const char* format, va_list args) {
    if (context != nullptr) return;
    char text[1024];
    std::vsnprintf(text, sizeof(text), format, args);
    Lines().push_back({level, text});
  }
};

}  // namespace quorbel
