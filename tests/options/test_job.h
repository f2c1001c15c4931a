// A job whose log lines are kept for inspection, and fabricated inputs for handlers that look at
// an opened input.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "binding/log_level.h"
#include "job/custom_ffmpeg.h"

namespace quorbel::testing {

struct LogLine {
  int level;
  std::string text;
  bool operator==(const LogLine&) const = default;
};

class LoggedJob {
 public:
  LoggedJob() {
    job.LogCallback = [this](TCustomFFmpeg&, int level, const std::string& text) {
      lines.push_back({level, text});
    };
  }
  bool Logged(const std::string& text) const {
    for (const LogLine& line : lines) {
      if (line.text == text) return true;
    }
    return false;
  }

  TCustomFFmpeg job;
  std::vector<LogLine> lines;
};

struct FakeStream {
  AVMediaType type;
  AVRational frameRate;
};

// Appends an input file to the job that has the given streams, as if it had been opened.
inline void AddFakeInput(TCustomFFmpeg& job, const std::vector<FakeStream>& streams) {
  InputFile file;
  file.fileName = "fake";
  file.context.reset(avformat_alloc_context());
  for (const FakeStream& fake : streams) {
    AVStream* stream = avformat_new_stream(file.context.get(), nullptr);
    stream->codecpar->codec_type = fake.type;
    stream->r_frame_rate = fake.frameRate;
    InputStream input;
    input.stream = stream;
    file.streams.push_back(std::move(input));
  }
  job.inputFiles.push_back(std::move(file));
}

// Restores the libraries' log level that tests of "v" and "debug" change.
class LogLevelGuard {
 public:
  LogLevelGuard() : level_(av_log_get_level()) {}
  ~LogLevelGuard() {
    av_log_set_level(level_);
    binding::RefreshCachedLogLevel();
  }

 private:
  int level_;
};

}  // namespace quorbel::testing
