// The two kinds of thread a job gets. Each starts when constructed and is joined when destroyed;
// the job owns it, so no thread outlives its job.
#pragma once

#include <thread>

#include "quorbel/transcoder.h"

namespace quorbel {

class TFFmpeg;

// Runs the job: records the thread in ThreadID, takes `priority` (a refusal is logged, the job
// runs anyway) and calls RunJob.
class TFFmpegThread {
 public:
  TFFmpegThread(TFFmpeg& job, TConvertPriority priority);
  ~TFFmpegThread();
  TFFmpegThread(const TFFmpegThread&) = delete;
  TFFmpegThread& operator=(const TFFmpegThread&) = delete;

 private:
  void Execute(TFFmpeg& job, TConvertPriority priority);

  std::thread thread_;
};

// Reports the end of a job that never ran (FinishJob) from a short-lived thread at idle
// priority; StopJobs does not wait for it.
class TDoTerminateThread {
 public:
  explicit TDoTerminateThread(TFFmpeg& job);
  ~TDoTerminateThread();
  TDoTerminateThread(const TDoTerminateThread&) = delete;
  TDoTerminateThread& operator=(const TDoTerminateThread&) = delete;

 private:
  void Execute(TFFmpeg& job);

  std::thread thread_;
};

}  // namespace quorbel
