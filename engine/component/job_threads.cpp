#include "component/job_threads.h"

#include <string>

#include "component/ffmpeg_job.h"
#include "component/thread_priority.h"

namespace quorbel {

TFFmpegThread::TFFmpegThread(TFFmpeg& job, TConvertPriority priority)
    : thread_(&TFFmpegThread::Execute, this, std::ref(job), priority) {}

TFFmpegThread::~TFFmpegThread() {
  thread_.join();
}

void TFFmpegThread::Execute(TFFmpeg& job, TConvertPriority priority) {
  job.ThreadID = std::this_thread::get_id();
  std::string error;
  if (!ApplyThreadPriority(priority, error)) job.Log(0, error);
  job.RunJob();
}

TDoTerminateThread::TDoTerminateThread(TFFmpeg& job)
    : thread_(&TDoTerminateThread::Execute, this, std::ref(job)) {}

TDoTerminateThread::~TDoTerminateThread() {
  thread_.join();
}

void TDoTerminateThread::Execute(TFFmpeg& job) {
  std::string error;
  if (!ApplyThreadPriority(tpIdle, error)) job.Log(0, error);
  job.FinishJob();
}

}  // namespace quorbel
