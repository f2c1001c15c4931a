#include "component/ffmpeg_job.h"

#include <filesystem>
#include <system_error>
#include <utility>

#include "component/job_threads.h"
#include "quorbel/exceptions.h"

namespace quorbel {

TFFmpeg::TFFmpeg() = default;

TFFmpeg::~TFFmpeg() {
  StopAndWait();
}

void TFFmpeg::StopAndWait() {
  StopRequested = true;
  pauseGate.Open();
  // Joins: the thread may still be reporting the job's end.
  thread_.reset();
  terminateThread_.reset();
}

bool TFFmpeg::StartJobInternal(bool threaded, TConvertPriority priority, const JobRunner& runner) {
  if (!CanStart()) return false;
  try {
    if (outputFiles.empty()) throw FFMpegException("Must supply at least one output file");
    if (inputFiles.empty()) throw FFMpegException("Must supply at least one input file");
    runner_ = runner;
    Running = true;
    StopRequested = false;
    Finished = false;
    Terminated = false;
    if (threaded) thread_ = std::make_unique<TFFmpegThread>(*this, priority);
    return true;
  } catch (const std::exception& error) {
    // Also a thread that could not be created.
    Fail(error.what());
    FinishJob();
    return false;
  }
}

void TFFmpeg::RunJob() {
  Finished = false;
  try {
    runner_.transcode(*this);
  } catch (const std::exception& error) {
    Fail(error.what());
  } catch (...) {
    Fail("Unknown exception");
  }
  // The codecs refer to the run's streams and containers: close them first.
  runner_.closeOpenCodecs(*this);
  if (ExceptionRaised) DiscardIncompleteOutputs();
  ReleaseOptionState();
  FinishJob();
}

void TFFmpeg::FinishJob() {
  Running = false;
  Terminated = true;
  if (TerminateCallback) TerminateCallback(*this);
}

void TFFmpeg::RequestStop() {
  if (Running) {
    StopRequested = true;
    pauseGate.Open();
    return;
  }
  if (Terminated || StopRequested) return;
  StopRequested = true;
  try {
    terminateThread_ = std::make_unique<TDoTerminateThread>(*this);
  } catch (const std::system_error&) {
    FinishJob();
  }
}

void TFFmpeg::Fail(const std::string& message) {
  Log(-1, message);
  ExceptionRaised = true;
  ErrorMessage = message;
}

void TFFmpeg::DiscardIncompleteOutputs() {
  for (OutputFile& file : outputFiles) {
    // An empty file goes anyway, without a word, as after any run.
    std::error_code error;
    if (!std::filesystem::is_regular_file(file.fileName, error) ||
        std::filesystem::file_size(file.fileName, error) == 0 || error) {
      continue;
    }
    file.incomplete = true;
    Log(0, "Removing the incomplete output file '" + file.fileName + "'");
  }
}

void TFFmpegList::Add(std::unique_ptr<TFFmpeg> job) {
  job->Index = Count();
  jobs_.push_back(std::move(job));
}

std::unique_ptr<TFFmpeg> TFFmpegList::Remove(int32_t index) {
  std::unique_ptr<TFFmpeg> job = std::move(jobs_[static_cast<size_t>(index)]);
  jobs_.erase(jobs_.begin() + index);
  for (int32_t later = index; later < Count(); ++later) jobs_[static_cast<size_t>(later)]->Index = later;
  return job;
}

std::vector<std::unique_ptr<TFFmpeg>> TFFmpegList::TakeAll() {
  return std::exchange(jobs_, {});
}

}  // namespace quorbel
