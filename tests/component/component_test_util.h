// What the component tests share: a component whose jobs can be inspected, runs the test steers
// in place of the pipeline, a recorder of the events, and a scratch folder.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "component/ffmpeg_job.h"
#include "component/job_runner.h"
#include "quorbel/exceptions.h"
#include "quorbel/fixtures.h"
#include "quorbel/transcoder.h"

namespace quorbel::testing {

// Waits on `condition` until `done`. A fault that keeps it from ever coming ends the test
// program instead of hanging it; the bound is far beyond any run of these tests.
template <typename Lock, typename Predicate>
void AwaitOrAbort(std::condition_variable& condition, Lock& lock, Predicate done, const char* what) {
  if (!condition.wait_for(lock, std::chrono::minutes(2), done)) {
    std::fprintf(stderr, "gave up waiting for %s\n", what);
    std::abort();
  }
}

// One step after another across threads.
class Steps {
 public:
  void Reach(int step) {
    std::lock_guard lock(mutex_);
    reached_ = std::max(reached_, step);
    changed_.notify_all();
  }
  void Await(int step) {
    std::unique_lock lock(mutex_);
    AwaitOrAbort(
        changed_, lock, [&] { return reached_ >= step; }, "a step");
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  int reached_ = 0;  // guarded by mutex_
};

class InspectableTranscoder : public TTranscoder {
 public:
  using TCustomTranscoder::Jobs;
  using TCustomTranscoder::SetJobRunner;
  using TTranscoder::TTranscoder;
};

// What a run saw when it began.
struct RunStart {
  int32_t index;
  std::thread::id thread;
  int32_t verbosity;
  int64_t progressIntervalUs;
  int32_t codecThreads;
};

// Runs that stand in for the pipeline. Each reports its start, then passes the pause gate and
// waits until the test releases it or the job is asked to stop, as the pipeline's main loop does
// once per turn. A run may be told to throw, or to do something first (log, call the component).
class ScriptedRuns {
 public:
  JobRunner Runner() {
    return {[this](TCustomFFmpeg& job) { Run(static_cast<TFFmpeg&>(job)); },
            [this](TCustomFFmpeg& job) { CloseCodecs(static_cast<TFFmpeg&>(job)); }};
  }

  // Lets the run of job `index` (or every run) end.
  void Release(int32_t index) {
    {
      std::lock_guard lock(mutex_);
      released_.insert(index);
    }
    changed_.notify_all();
  }
  void ReleaseAll() {
    {
      std::lock_guard lock(mutex_);
      releaseAll_ = true;
    }
    changed_.notify_all();
  }
  // Makes waiting runs look at their job again (after StopJobs or PauseJobs).
  void Poke() {
    { std::lock_guard lock(mutex_); }
    changed_.notify_all();
  }
  void ThrowIn(int32_t index, const std::string& message) {
    std::lock_guard lock(mutex_);
    failures_[index] = message;
  }
  // Something the run of job `index` does first, in its thread.
  void DoFirst(int32_t index, std::function<void(TFFmpeg&)> action) {
    std::lock_guard lock(mutex_);
    actions_[index] = std::move(action);
  }

  void AwaitStarts(size_t count) {
    std::unique_lock lock(mutex_);
    AwaitOrAbort(
        changed_, lock, [&] { return starts_.size() >= count; }, "runs to start");
  }
  std::vector<RunStart> Starts() const {
    std::lock_guard lock(mutex_);
    return starts_;
  }
  // Per closed job: how many output files it still had when its codecs were closed.
  std::map<int32_t, size_t> OutputsAtCodecClose() const {
    std::lock_guard lock(mutex_);
    return outputsAtCodecClose_;
  }

 private:
  void Run(TFFmpeg& job) {
    std::function<void(TFFmpeg&)> action;
    {
      std::lock_guard lock(mutex_);
      starts_.push_back(
          {job.Index, std::this_thread::get_id(), job.Verbosity(), job.ProgressIntervalUs, job.CodecThreads});
      if (auto found = actions_.find(job.Index); found != actions_.end()) action = found->second;
    }
    changed_.notify_all();
    if (action) action(job);
    for (;;) {
      job.WaitWhilePaused();
      std::unique_lock lock(mutex_);
      const auto mayEnd = [&] { return job.StopRequested || releaseAll_ || released_.count(job.Index) > 0; };
      // A closed gate sends the run back to it; Poke after PauseJobs makes sure it is seen.
      changed_.wait(lock, [&] { return mayEnd() || job.pauseGate.IsClosed(); });
      if (mayEnd()) break;
    }
    std::string failure;
    {
      std::lock_guard lock(mutex_);
      if (auto found = failures_.find(job.Index); found != failures_.end()) failure = found->second;
    }
    if (!failure.empty()) throw FFMpegException(failure);
    job.Finished = !job.StopRequested;
  }

  void CloseCodecs(TFFmpeg& job) {
    std::lock_guard lock(mutex_);
    outputsAtCodecClose_[job.Index] = job.outputFiles.size();
  }

  mutable std::mutex mutex_;
  std::condition_variable changed_;
  // All guarded by mutex_.
  std::set<int32_t> released_;
  bool releaseAll_ = false;
  std::map<int32_t, std::string> failures_;
  std::map<int32_t, std::function<void(TFFmpeg&)>> actions_;
  std::vector<RunStart> starts_;
  std::map<int32_t, size_t> outputsAtCodecClose_;
};

struct TerminateEvent {
  int32_t index;
  bool finished;
  bool exception;
  std::string message;
  std::thread::id thread;
  bool operator==(const TerminateEvent& other) const {
    return index == other.index && finished == other.finished && exception == other.exception &&
           message == other.message;
  }
};

struct LogEvent {
  int32_t index;
  TLogLevel level;
  std::string text;
  bool operator==(const LogEvent&) const = default;
};

// Records OnTerminate and OnLog; lets the test wait for the end of the batch.
class EventRecorder {
 public:
  void Attach(TCustomTranscoder& component) {
    component.OnTerminate = [this](int32_t index, bool finished, bool exception, const std::string& message) {
      // Notified under the lock: a test may destroy the recorder as soon as it sees the end.
      std::lock_guard lock(mutex_);
      terminates_.push_back({index, finished, exception, message, std::this_thread::get_id()});
      if (onTerminate_) onTerminate_(index);
      changed_.notify_all();
    };
    component.OnLog = [this](int32_t index, TLogLevel level, const std::string& text) {
      std::lock_guard lock(mutex_);
      logs_.push_back({index, level, text});
    };
  }
  // Called inside OnTerminate (under the component's critical section).
  void OnEachTerminate(std::function<void(int32_t index)> action) {
    std::lock_guard lock(mutex_);
    onTerminate_ = std::move(action);
  }

  void AwaitBatchEnd() {
    std::unique_lock lock(mutex_);
    const auto ended = [&] {
      for (const TerminateEvent& event : terminates_) {
        if (event.index == -1) return true;
      }
      return false;
    };
    AwaitOrAbort(changed_, lock, ended, "the end of the batch");
  }
  std::vector<TerminateEvent> Terminates() const {
    std::lock_guard lock(mutex_);
    return terminates_;
  }
  std::vector<LogEvent> Logs() const {
    std::lock_guard lock(mutex_);
    return logs_;
  }
  // The lines a job (or -1) got, in order.
  std::vector<LogEvent> LogsOf(int32_t index) const {
    std::vector<LogEvent> lines;
    for (const LogEvent& event : Logs()) {
      if (event.index == index) lines.push_back(event);
    }
    return lines;
  }

 private:
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<TerminateEvent> terminates_;    // guarded by mutex_
  std::vector<LogEvent> logs_;                // guarded by mutex_
  std::function<void(int32_t)> onTerminate_;  // guarded by mutex_
};

// A fresh folder per test, removed afterwards.
class ScratchFolder {
 public:
  ScratchFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "quorbel-component-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    folder_ = pattern;
  }
  ~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  std::string Path(const std::string& name) const { return (folder_ / name).string(); }

 private:
  std::filesystem::path folder_;
};

}  // namespace quorbel::testing
