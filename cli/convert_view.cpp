#include "convert_view.h"

#include <algorithm>
#include <cmath>

#include "base/text.h"
#include "json.h"

namespace quorbel::cli {

namespace {

constexpr int kBarWidth = 20;
constexpr int kMinColumns = 20;

const char* LevelName(TLogLevel level) {
  static const char* const kNames[] = {"quiet", "error", "info", "debug", "all"};
  return level >= llQuiet && level <= llAll ? kNames[level] : "all";
}

std::string HumanSize(int64_t bytes) {
  const auto value = static_cast<double>(bytes);
  if (bytes < 1024) return StrPrintf("%lld B", static_cast<long long>(bytes));
  if (bytes < 1024 * 1024) return StrPrintf("%.0f KiB", value / 1024.0);
  if (bytes < int64_t{1024} * 1024 * 1024) return StrPrintf("%.1f MiB", value / (1024.0 * 1024.0));
  return StrPrintf("%.2f GiB", value / (1024.0 * 1024.0 * 1024.0));
}

std::string Clock(double seconds) {
  const auto total = static_cast<long long>(std::lround(seconds));
  if (total >= 3600) return StrPrintf("%lld:%02lld:%02lld", total / 3600, total / 60 % 60, total % 60);
  return StrPrintf("%lld:%02lld", total / 60, total % 60);
}

// Log text ends its lines itself at times ("...\r\n"); the view ends them.
std::string WithoutLineEnd(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return text;
}

}  // namespace

ConvertView::ConvertView(ViewStyle style, std::ostream& out, std::ostream& err, int columns)
    : style_(style),
      columns_(std::max(columns, kMinColumns)),
      out_(out),
      err_(err),
      start_(std::chrono::steady_clock::now()) {}

void ConvertView::JobAdded(int32_t index, const PlannedJob& job) {
  std::lock_guard lock(mutex_);
  if (jobs_.size() <= static_cast<size_t>(index)) jobs_.resize(static_cast<size_t>(index) + 1);
  jobs_[static_cast<size_t>(index)].names = job;
  if (style_ == ViewStyle::kJson) {
    Emit(JsonObject()
             .Add("event", "job")
             .Add("job", index)
             .Add("input", job.input)
             .Add("output", job.output)
             .Text());
  } else {
    Say("convert '" + job.input + "' -> '" + job.output + "'");
  }
}

void ConvertView::SetupFailed(const PlannedJob& job, const std::string& message) {
  std::lock_guard lock(mutex_);
  if (style_ == ViewStyle::kJson) {
    Emit(JsonObject()
             .Add("event", "setup_failed")
             .Add("input", job.input)
             .Add("output", job.output)
             .Add("message", message)
             .Text());
  }
}

void ConvertView::Started() {
  std::lock_guard lock(mutex_);
  start_ = std::chrono::steady_clock::now();
}

void ConvertView::Progress(int32_t index, int32_t frame, int32_t fps, int32_t durationMs, float quality,
                           float bitRate, int64_t sizeBytes, int32_t totalDurationMs) {
  std::lock_guard lock(mutex_);
  if (index < 0 || static_cast<size_t>(index) >= jobs_.size()) return;
  JobState& job = jobs_[static_cast<size_t>(index)];
  job.frame = frame;
  job.fps = fps;
  job.durationMs = durationMs;
  job.totalDurationMs = totalDurationMs;
  job.sizeBytes = sizeBytes;
  progressSeen_ = true;
  switch (style_) {
    case ViewStyle::kJson: {
      JsonObject event;
      event.Add("event", "progress")
          .Add("job", index)
          .Add("frame", frame)
          .Add("fps", fps)
          .Add("time_ms", durationMs)
          .AddReal("quality", quality)
          .AddReal("bitrate_kbits", bitRate)
          .Add("size", sizeBytes)
          .Add("total_ms", totalDurationMs);
      if (totalDurationMs > 0) {
        event.AddReal("percent", std::min(100.0, 100.0 * durationMs / totalDurationMs));
      } else {
        event.AddNull("percent");
      }
      Emit(event.Text());
      break;
    }
    case ViewStyle::kLines:
      err_ << StatusText() << '\n';
      break;
    case ViewStyle::kBar:
      DrawLine();
      break;
  }
}

void ConvertView::Log(int32_t index, TLogLevel level, const std::string& text) {
  std::lock_guard lock(mutex_);
  if (style_ == ViewStyle::kJson) {
    Emit(JsonObject()
             .Add("event", "log")
             .Add("job", index)
             .Add("level", LevelName(level))
             .Add("message", WithoutLineEnd(text))
             .Text());
    return;
  }
  // The message that ended a job is the command's to tell, once, at the end.
  if (level == llQuiet) return;
  const std::string line = WithoutLineEnd(text);
  if (line.empty()) return;
  Say(jobs_.size() > 1 && index >= 0 ? StrPrintf("[job %d] ", index + 1) + line : line);
}

void ConvertView::Terminate(int32_t index, bool finished, bool exception, const std::string& message) {
  std::lock_guard lock(mutex_);
  if (index >= 0 && static_cast<size_t>(index) < jobs_.size()) {
    JobState& job = jobs_[static_cast<size_t>(index)];
    job.outcome = exception ? JobOutcome::kFailed : finished ? JobOutcome::kDone : JobOutcome::kStopped;
    job.failure = message;
    job.fps = 0;
    if (style_ != ViewStyle::kJson && !exception) {
      Say(std::string(finished ? "done '" : "stopped '") + job.names.output + "'");
    }
  }
  if (style_ == ViewStyle::kJson) {
    Emit(JsonObject()
             .Add("event", "terminate")
             .Add("job", index)
             .Add("finished", finished)
             .Add("exception", exception)
             .Add("message", message)
             .Text());
  }
}

void ConvertView::Finish() {
  std::lock_guard lock(mutex_);
  ClearLine();
  progressSeen_ = false;
}

JobOutcome ConvertView::Outcome(int32_t index) const {
  std::lock_guard lock(mutex_);
  return jobs_.at(static_cast<size_t>(index)).outcome;
}

std::string ConvertView::Failure(int32_t index) const {
  std::lock_guard lock(mutex_);
  return jobs_.at(static_cast<size_t>(index)).failure;
}

std::string ConvertView::StatusText() const {
  int32_t ended = 0;
  double complete = 0.0;
  bool fractionKnown = true;
  bool video = false;
  int64_t frames = 0;
  int64_t fps = 0;
  int64_t size = 0;
  for (const JobState& job : jobs_) {
    size += job.sizeBytes;
    if (job.frame >= 0) {
      video = true;
      frames += job.frame;
      fps += job.fps;
    }
    if (job.outcome != JobOutcome::kPending) {
      ++ended;
      complete += 1.0;
    } else if (job.totalDurationMs > 0) {
      complete += std::min(1.0, static_cast<double>(job.durationMs) / job.totalDurationMs);
    } else {
      fractionKnown = false;
    }
  }
  const double fraction = jobs_.empty() ? 0.0 : complete / static_cast<double>(jobs_.size());

  std::string text;
  if (jobs_.size() > 1) text += StrPrintf("jobs %d/%zu  ", ended, jobs_.size());
  text += fractionKnown ? StrPrintf("%3d%%", static_cast<int>(fraction * 100.0)) : std::string("  ?%");
  if (style_ == ViewStyle::kBar) {
    const int filled = fractionKnown ? static_cast<int>(fraction * kBarWidth) : 0;
    text += " [" + std::string(static_cast<size_t>(filled), '#') +
            std::string(static_cast<size_t>(kBarWidth - filled), '-') + "]";
  }
  if (video)
    text += StrPrintf("  frame %lld  %lld fps", static_cast<long long>(frames), static_cast<long long>(fps));
  text += "  " + HumanSize(size);
  const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
  if (fractionKnown && fraction > 0.0 && fraction < 1.0) {
    text += "  ETA " + Clock(elapsed * (1.0 - fraction) / fraction);
  } else {
    text += "  ETA --:--";
  }
  return text;
}

void ConvertView::ClearLine() {
  if (!lineShown_) return;
  err_ << "\r\033[K" << std::flush;
  lineShown_ = false;
}

void ConvertView::DrawLine() {
  std::string text = StatusText();
  if (text.size() >= static_cast<size_t>(columns_)) text.resize(static_cast<size_t>(columns_ - 1));
  err_ << "\r" << text << "\033[K" << std::flush;
  lineShown_ = true;
}

void ConvertView::Say(const std::string& line) {
  ClearLine();
  err_ << line << '\n';
  if (style_ == ViewStyle::kBar && progressSeen_) DrawLine();
}

void ConvertView::Emit(const std::string& json) {
  out_ << json << '\n' << std::flush;
}

}  // namespace quorbel::cli
