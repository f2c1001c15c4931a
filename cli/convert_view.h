// What "quorbel-cli convert" shows while its jobs run: for people, log lines and a progress bar
// that is redrawn in place on a terminal (plain progress lines otherwise); for scripts, one JSON
// object per event on stdout.
//
// The engine calls the event methods from the jobs' threads; the view serialises them itself.
#pragma once

#include <chrono>
#include <cstdint>
#include <mutex>
#include <ostream>
#include <string>
#include <vector>

#include "output_names.h"
#include "quorbel/transcoder.h"

namespace quorbel::cli {

enum class ViewStyle {
  kBar,    // stderr is a terminal: the progress line is redrawn in place
  kLines,  // stderr is a file or a pipe: one progress line per report
  kJson,   // stdout: {"event":"job"|"setup_failed"|"progress"|"log"|"terminate", ...} per line
};

// How a job ended, as its terminate event said.
enum class JobOutcome { kPending, kDone, kFailed, kStopped };

class ConvertView {
 public:
  // `out` takes the JSON events, `err` everything for people; the bar is cut to `columns` - 1
  // characters so that it never wraps.
  ConvertView(ViewStyle style, std::ostream& out, std::ostream& err, int columns = 80);

  // A job was configured; the engine knows it by `index` from now on.
  void JobAdded(int32_t index, const PlannedJob& job);
  // A job that could not be configured and does not run.
  void SetupFailed(const PlannedJob& job, const std::string& message);
  // The jobs start now (the clock of the estimate begins).
  void Started();

  void Progress(int32_t index, int32_t frame, int32_t fps, int32_t durationMs, float quality, float bitRate,
                int64_t sizeBytes, int32_t totalDurationMs);
  void Log(int32_t index, TLogLevel level, const std::string& text);
  void Terminate(int32_t index, bool finished, bool exception, const std::string& message);

  // Removes the progress line from the terminal (before the command's last words).
  void Finish();

  JobOutcome Outcome(int32_t index) const;
  std::string Failure(int32_t index) const;

 private:
  struct JobState {
    PlannedJob names;
    JobOutcome outcome = JobOutcome::kPending;
    std::string failure;
    int32_t frame = -1;
    int32_t fps = 0;
    int32_t durationMs = 0;
    int32_t totalDurationMs = -1;
    int64_t sizeBytes = 0;
  };

  // The whole batch: done jobs count as complete.
  std::string StatusText() const;
  void ClearLine();
  void DrawLine();
  void Say(const std::string& line);   // one line for people
  void Emit(const std::string& json);  // one JSON event

  mutable std::mutex mutex_;
  const ViewStyle style_;
  const int columns_;
  std::ostream& out_;                            // guarded by mutex_
  std::ostream& err_;                            // guarded by mutex_
  std::vector<JobState> jobs_;                   // guarded by mutex_ (only grows before Started)
  bool lineShown_ = false;                       // guarded by mutex_: the bar is on the terminal's last line
  bool progressSeen_ = false;                    // guarded by mutex_
  std::chrono::steady_clock::time_point start_;  // guarded by mutex_
};

}  // namespace quorbel::cli
