// TFFmpeg: a job as the component sees it (its place in the list, the thread it runs in, the two
// option records), how it starts, runs and finishes; and TFFmpegList, the component's job list.
#pragma once

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "component/job_runner.h"
#include "job/custom_ffmpeg.h"
#include "quorbel/options.h"
#include "quorbel/transcoder.h"

namespace quorbel {

class TFFmpegThread;
class TDoTerminateThread;

class TFFmpeg : public TCustomFFmpeg {
 public:
  TFFmpeg();
  // StopAndWait, then releases everything the job holds.
  ~TFFmpeg() override;

  // Asks a running job to stop (also a paused one) and waits until its thread has ended.
  void StopAndWait();

  // Whether StartJobInternal would start the job: it has not run, is not running and was not
  // stopped before it started.
  bool CanStart() const { return !Running && !Terminated && !StopRequested; }

  // Starts the job: threaded, in a TFFmpegThread of `priority`; otherwise the caller must call
  // RunJob next. Returns false when the job did not start: it could not (CanStart) or it failed
  // at once ("Must supply at least one output file", ...), which it reports like a failed run.
  // The caller holds the component's critical section.
  bool StartJobInternal(bool threaded, TConvertPriority priority, const JobRunner& runner);
  // The run: the pipeline, then the clean-up (codecs before tables and containers), then
  // FinishJob. Failures become the job's error; nothing escapes.
  void RunJob();
  // Running := false, Terminated := true, then the terminate callback.
  void FinishJob();
  // A running job: StopRequested, and released if paused. A job that never started: it will
  // never start, and reports its end from a TDoTerminateThread. The caller holds the component's
  // critical section.
  void RequestStop();
  // Whether the job runs in a TFFmpegThread now; such jobs are the ones PauseJobs holds.
  bool HasRunningThread() const { return thread_ != nullptr && Running; }

  // Written under the component's critical section; the hook events read it without.
  std::atomic<int32_t> Index{-1};
  // The thread the job runs in; none until it starts. Read by the log routing of other threads.
  std::atomic<std::thread::id> ThreadID{};
  TInputOptions InputOptions;
  TOutputOptions OutputOptions;
  // The file the job reads, as AddJob named it; set before the job is listed, then only read.
  std::string InputFileName;

 private:
  void Fail(const std::string& message);
  // Marks the outputs of a failed run for removal and says so in the log.
  void DiscardIncompleteOutputs();

  JobRunner runner_;                                     // set before the run starts
  std::unique_ptr<TFFmpegThread> thread_;                // joined by the destructor
  std::unique_ptr<TDoTerminateThread> terminateThread_;  // joined by the destructor
};

// The component's owning job list; Index of each job is its position.
class TFFmpegList {
 public:
  int32_t Count() const { return static_cast<int32_t>(jobs_.size()); }
  TFFmpeg& operator[](int32_t index) const { return *jobs_[static_cast<size_t>(index)]; }
  bool Contains(int32_t index) const { return index >= 0 && index < Count(); }

  // Appends the job and sets its Index.
  void Add(std::unique_ptr<TFFmpeg> job);
  // Removes job `index`, renumbers the jobs after it, and hands the job over.
  std::unique_ptr<TFFmpeg> Remove(int32_t index);
  // Empties the list and hands every job over.
  std::vector<std::unique_ptr<TFFmpeg>> TakeAll();

  auto begin() const { return jobs_.begin(); }
  auto end() const { return jobs_.end(); }

 private:
  std::vector<std::unique_ptr<TFFmpeg>> jobs_;
};

}  // namespace quorbel
