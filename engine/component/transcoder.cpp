#include "quorbel/transcoder.h"

#include <chrono>

#include "base/text.h"
#include "binding/log_level.h"
#include "component/ffmpeg_job.h"
#include "component/job_runner.h"
#include "component/log_router.h"
#include "options/record_options.h"
#include "setup/file_setup.h"
#include "setup/same_file.h"

namespace quorbel {

// Tasks posted to the caller's loop hold this; the destructor ends it, after which the tasks do
// nothing.
struct LoopToken {
  std::mutex mutex;
  bool alive = true;  // guarded by mutex
};

namespace {

constexpr int32_t kMinProgressIntervalMs = 100;
constexpr std::chrono::milliseconds kLoopStartDelay{100};

TLogLevel ToLogLevel(int level) {
  if (level < 0) return llQuiet;
  if (level >= 4) return llAll;
  return static_cast<TLogLevel>(level + 1);
}

std::string IndexError(int32_t index) {
  return StrPrintf("List index out of bounds (%d)", index);
}

}  // namespace

TCustomTranscoder::TCustomTranscoder(RunLoop* loop)
    : jobs_(std::make_unique<TFFmpegList>()),
      runner_(std::make_unique<JobRunner>(PipelineRunner())),
      loop_(loop),
      loopToken_(std::make_shared<LoopToken>()),
      probe_(std::make_unique<TAVProbe>()) {
  log_routing::Register(*this);
}

TCustomTranscoder::~TCustomTranscoder() {
  log_routing::Unregister(*this);
  {
    std::lock_guard lock(cs_);
    destroying_ = true;
    pendingCount_ = 0;
    for (const auto& job : *jobs_) {
      job->StopRequested = true;
      job->pauseGate.Open();
    }
  }
  // Waits for a loop task that is running a job (asked to stop above), when the loop runs in
  // another thread than ours; later tasks do nothing.
  {
    std::lock_guard lock(loopToken_->mutex);
    loopToken_->alive = false;
  }
  // Outside the critical section: a finishing thread still takes it to report its end. The list
  // stays as it is meanwhile, so that the reports see the jobs they count.
  for (const auto& job : *jobs_) job->StopAndWait();
  std::vector<std::unique_ptr<TFFmpeg>> jobs;
  {
    std::lock_guard lock(cs_);
    jobs = jobs_->TakeAll();
  }
}

void TCustomTranscoder::SetLogLevel(TLogLevel level) {
  logLevel_ = level;
  if (binding::LibrariesLoaded()) binding::SetLibraryLogLevel(level - 1);
}

void TCustomTranscoder::SetProgressInterval(int32_t intervalMs) {
  progressInterval_ = intervalMs <= kMinProgressIntervalMs ? kMinProgressIntervalMs : intervalMs;
}

int32_t TCustomTranscoder::JobCount() const {
  std::lock_guard lock(cs_);
  return jobs_->Count();
}

bool TCustomTranscoder::LoadLibraries(const std::string& Folder, bool NumberedNames) {
  return LoadLibraries(Folder, NumberedNames, binding::RunTimeVersion);
}

bool TCustomTranscoder::LoadLibraries(const std::string&, bool NumberedNames,
                                      const binding::VersionSource& versions) {
  if (!binding::LoadLibraries(NumberedNames, versions)) {
    lastError_ = binding::LibraryLoadError();
    return false;
  }
  log_routing::InstallLogCallback();
  binding::SetLibraryLogLevel(LogLevel() - 1);
  return true;
}

int32_t TCustomTranscoder::AddJob(const std::string& FileName, const TInputOptions* Options) {
  std::unique_ptr<TFFmpeg> job;
  try {
    job = std::make_unique<TFFmpeg>();
    job->SetVerbosity(LogLevel() - 1);
    if (Options != nullptr) {
      job->InputOptions = *Options;
      if (job->InputOptions.FileName.empty()) job->InputOptions.FileName = FileName;
      ApplyInputOptions(*job, job->InputOptions);
    } else {
      job->InputOptions.Reset();
    }
    const std::string& inputName = Options != nullptr ? job->InputOptions.FileName : FileName;
    if (!OpenInput(*job, inputName)) {
      lastError_ = job->LastErrorText;
      return -1;
    }
    job->InputFileName = inputName;
  } catch (const std::exception& error) {
    lastError_ = error.what();
    return -1;
  }
  WireCallbacks(*job);
  std::lock_guard lock(cs_);
  jobs_->Add(std::move(job));
  return jobs_->Count() - 1;
}

bool TCustomTranscoder::SetJobOutput(int32_t Index, const std::string& FileName,
                                     const TOutputOptions* Options) {
  TFFmpeg* job = nullptr;
  {
    std::lock_guard lock(cs_);
    if (!jobs_->Contains(Index)) {
      lastError_ = IndexError(Index);
      return false;
    }
    job = &(*jobs_)[Index];
  }
  try {
    if (Options != nullptr) {
      job->OutputOptions = *Options;
      if (job->OutputOptions.FileName.empty()) job->OutputOptions.FileName = FileName;
      ApplyOutputOptions(*job, job->OutputOptions);
      if (job->OutputOptions.CustomHook) {
        job->CustomHookCallback = [this, job](TCustomFFmpeg&, TBitmap& bitmap, int32_t frameNumber,
                                              int64_t pts, bool& update, bool& stop) {
          DoCustomHook(*job, bitmap, frameNumber, pts, update, stop);
        };
      } else if (job->OutputOptions.BeforeHook) {
        job->BeforeHookCallback = [this, job](TCustomFFmpeg&, THookAction& action, int64_t pts) {
          DoBeforeHook(*job, pts, action);
        };
      }
    } else {
      job->OutputOptions.Reset();
    }
    const std::string& outputName = Options != nullptr ? job->OutputOptions.FileName : FileName;
    if (IsInputOfAnotherJob(*job, outputName)) return false;
    if (!CreateOutput(*job, outputName)) {
      lastError_ = job->LastErrorText;
      return false;
    }
  } catch (const std::exception& error) {
    lastError_ = error.what();
    return false;
  }
  return true;
}

bool TCustomTranscoder::IsInputOfAnotherJob(const TFFmpeg& job, const std::string& outputName) {
  std::lock_guard lock(cs_);
  for (const std::unique_ptr<TFFmpeg>& other : *jobs_) {
    if (other.get() != &job && IsSameFile(other->InputFileName, outputName)) {
      lastError_ = StrPrintf("Output file '%s' is the input file '%s' of job %d: it would be overwritten",
                             outputName.c_str(), other->InputFileName.c_str(), other->Index.load());
      return true;
    }
  }
  return false;
}

void TCustomTranscoder::DeleteJob(int32_t Index) {
  std::unique_ptr<TFFmpeg> job;
  {
    std::lock_guard lock(cs_);
    if (!jobs_->Contains(Index)) {
      lastError_ = IndexError(Index);
      return;
    }
    job = jobs_->Remove(Index);
  }
  // Freed outside the critical section: a running job's thread takes it while it ends.
  job.reset();
}

void TCustomTranscoder::ClearJobs() {
  std::vector<std::unique_ptr<TFFmpeg>> jobs;
  {
    std::lock_guard lock(cs_);
    jobs = jobs_->TakeAll();
    parallel_ = 0;
    pendingCount_ = 0;
  }
  lastError_.clear();
  jobs.clear();
}

void TCustomTranscoder::StartJobs(int32_t Parallel) {
  if (Parallel <= 0 && loop_ == nullptr) {
    lastError_ = "StartJobs(0) needs a run loop";
    return;
  }
  // Held throughout: a job started here may end, and start the next one, before this returns.
  std::lock_guard lock(cs_);
  log_routing::ClearPendingText();
  nextJobIndex_ = 0;
  finishedCount_ = 0;
  parallel_ = Parallel;
  pendingCount_ = jobs_->Count();
  const int32_t starts = Parallel > 0 ? Parallel : 1;
  for (int32_t started = 0; started < starts && pendingCount_ > 0; ++started) StartNextJob();
}

void TCustomTranscoder::StopJobs() {
  std::lock_guard lock(cs_);
  pendingCount_ = 0;
  for (const auto& job : *jobs_) job->RequestStop();
}

void TCustomTranscoder::PauseJobs() {
  std::lock_guard lock(cs_);
  for (const auto& job : *jobs_) {
    if (job->HasRunningThread()) job->pauseGate.Close();
  }
}

void TCustomTranscoder::ResumeJobs() {
  std::lock_guard lock(cs_);
  for (const auto& job : *jobs_) job->pauseGate.Open();
}

void TCustomTranscoder::SetJobRunner(const JobRunner& runner) {
  std::lock_guard lock(cs_);
  *runner_ = runner;
}

// Caller holds cs_.
void TCustomTranscoder::StartNextJob() {
  if (pendingCount_ <= 0) return;
  --pendingCount_;
  // Taken before the start: a job that fails at once ends, and starts the next, inside it.
  const int32_t index = nextJobIndex_++;
  if (parallel_ > 0) {
    StartJob(index);
    return;
  }
  loop_->PostDelayed(kLoopStartDelay, [this, token = loopToken_, index] {
    std::lock_guard alive(token->mutex);
    if (token->alive) StartJob(index);
  });
}

void TCustomTranscoder::StartJob(int32_t index) {
  TFFmpeg* runHere = nullptr;
  {
    std::lock_guard lock(cs_);
    if (destroying_ || !jobs_->Contains(index)) return;
    TFFmpeg& job = (*jobs_)[index];
    if (!job.CanStart()) return;
    job.ProgressIntervalUs = static_cast<int64_t>(ProgressInterval()) * 1000;
    job.SetVerbosity(LogLevel() - 1);
    job.CodecThreads = CodecThreads();
    if (parallel_ > 0) {
      job.StartJobInternal(true, ThreadPriority(), *runner_);
    } else {
      job.ThreadID = std::this_thread::get_id();
      if (job.StartJobInternal(false, ThreadPriority(), *runner_)) runHere = &job;
    }
  }
  // The whole run, in the caller's thread, outside the critical section.
  if (runHere != nullptr) runHere->RunJob();
}

void TCustomTranscoder::WireCallbacks(TFFmpeg& job) {
  TFFmpeg* target = &job;
  job.LogCallback = [this, target](TCustomFFmpeg&, int level, const std::string& text) {
    DoLog(target, level, text);
  };
  job.ProgressCallback = [this, target](TCustomFFmpeg&, int32_t frameNumber, int32_t fps,
                                        int32_t currentDurationMs, float quality, float bitRate,
                                        int64_t currentSizeBytes, int32_t totalOutputDurationMs) {
    DoProgress(*target, frameNumber, fps, currentDurationMs, quality, bitRate, currentSizeBytes,
               totalOutputDurationMs);
  };
  job.TerminateCallback = [this, target](TCustomFFmpeg&) { DoTerminate(target); };
}

void TCustomTranscoder::DoBeforeHook(TFFmpeg& job, int64_t pts, THookAction& action) {
  if (OnBeforeHook) OnBeforeHook(job.Index, pts, action);
}

void TCustomTranscoder::DoCustomHook(TFFmpeg& job, TBitmap& bitmap, int32_t frameNumber, int64_t pts,
                                     bool& update, bool& stop) {
  if (OnCustomHook) OnCustomHook(job.Index, bitmap, frameNumber, pts, update, stop);
}

void TCustomTranscoder::DoLog(TFFmpeg* job, int level, const std::string& text) {
  std::lock_guard lock(cs_);
  if (OnLog) OnLog(job != nullptr ? job->Index.load() : -1, ToLogLevel(level), text);
}

void TCustomTranscoder::DoProgress(TFFmpeg& job, int32_t frameNumber, int32_t fps, int32_t currentDurationMs,
                                   float quality, float bitRate, int64_t currentSizeBytes,
                                   int32_t totalOutputDurationMs) {
  std::lock_guard lock(cs_);
  if (OnProgress) {
    OnProgress(job.Index, frameNumber, fps, currentDurationMs, quality, bitRate, currentSizeBytes,
               totalOutputDurationMs);
  }
}

void TCustomTranscoder::DoTerminate(TFFmpeg* job) {
  std::lock_guard lock(cs_);
  if (job != nullptr) {
    if (OnTerminate) OnTerminate(job->Index, job->Finished, job->ExceptionRaised, job->ErrorMessage);
    ++finishedCount_;
    if (pendingCount_ > 0) {
      StartNextJob();
      return;
    }
  }
  if (finishedCount_ >= jobs_->Count()) {
    if (OnTerminate) OnTerminate(-1, true, false, "");
    log_routing::ClearPendingText();
  }
}

void RouteLibraryLine(TCustomTranscoder& component, std::thread::id thread, int level,
                      const std::string& text) {
  std::lock_guard lock(component.cs_);
  TFFmpeg* target = nullptr;
  for (const auto& job : *component.jobs_) {
    // Only a running job: a finished one may have left its id to a thread that runs another.
    if (job->Running && job->ThreadID.load() == thread) {
      target = job.get();
      break;
    }
  }
  component.DoLog(target, level, text);
}

}  // namespace quorbel
