// TTranscoder: the engine as a component. A caller adds one job per input file (AddJob), gives it
// an output (SetJobOutput), starts the jobs (StartJobs) and learns of their progress, log lines
// and end through events. Jobs run in worker threads of their own, or one after another in the
// caller's thread.
//
// Threads. Configuration calls (LoadLibraries, AddJob, SetJobOutput, DeleteJob, ClearJobs,
// property setters, assigning events) belong to one thread, the caller's. StartJobs, StopJobs,
// PauseJobs and ResumeJobs may come from any thread. Events run in the thread that produces them,
// mostly a job's thread; OnLog, OnProgress and OnTerminate hold the component's critical section
// while they run, so they never overlap. Handlers must not throw, must not call the configuration
// calls (post them to the caller's loop instead: a job's thread may hold CodecLock while it
// logs) and must not destroy the component.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "job/hook_types.h"
#include "quorbel/library_binding.h"
#include "quorbel/options.h"
#include "quorbel/probe.h"
#include "quorbel/run_loop.h"

namespace quorbel {

class TFFmpeg;
class TFFmpegList;
struct JobRunner;
struct LoopToken;

// The library's numeric log level is always the ordinal minus one (-1 ... 3).
enum TLogLevel : int32_t { llQuiet = 0, llError = 1, llInfo = 2, llDebug = 3, llAll = 4 };

// Priority of the worker threads.
enum TConvertPriority : int32_t { tpIdle = 0, tpLowest = 1, tpLower = 2, tpNormal = 3 };

// AIndex is the job's Index, or -1 where stated.
using TBeforeHookEvent = std::function<void(int32_t AIndex, int64_t APTS, THookAction& AHookAction)>;
using TCustomHookEvent = std::function<void(int32_t AIndex, TBitmap& ABitmap, int32_t AFrameNumber,
                                            int64_t APTS, bool& AUpdate, bool& AStopHook)>;
using TLogEvent = std::function<void(int32_t AIndex, TLogLevel ALogLevel, const std::string& AMsg)>;
using TProgressEvent =
    std::function<void(int32_t AIndex, int32_t AFrameNumber, int32_t AFPS, int32_t ACurrentDuration,
                       float AQuality, float ABitRate, int64_t ACurrentSize, int32_t ATotalOutputDuration)>;
// After every job: (Index, reached its end, failed, failure message). After the last one of a
// StartJobs call: (-1, true, false, "").
using TTerminateEvent =
    std::function<void(int32_t AIndex, bool AFinished, bool AException, const std::string& AMessage)>;

class TCustomTranscoder {
 public:
  // `loop` is where StartJobs(0) begins each job; without one only StartJobs(n > 0) works.
  explicit TCustomTranscoder(RunLoop* loop = nullptr);
  // Stops every running job and waits for its thread, then frees the jobs and the probe.
  virtual ~TCustomTranscoder();
  TCustomTranscoder(const TCustomTranscoder&) = delete;
  TCustomTranscoder& operator=(const TCustomTranscoder&) = delete;

  // Also sets the libraries' log level (ordinal - 1) when they are bound.
  TLogLevel LogLevel() const { return logLevel_; }
  void SetLogLevel(TLogLevel level);
  // Milliseconds between progress reports; values <= 100 are stored as 100.
  int32_t ProgressInterval() const { return progressInterval_; }
  void SetProgressInterval(int32_t intervalMs);
  TConvertPriority ThreadPriority() const { return threadPriority_; }
  void SetThreadPriority(TConvertPriority priority) { threadPriority_ = priority; }
  // Threads of each decoder and encoder; 0 (the default) = one per core. Negative values store 0.
  int32_t CodecThreads() const { return codecThreads_; }
  void SetCodecThreads(int32_t threads) { codecThreads_ = threads < 0 ? 0 : threads; }
  std::string Version() const { return "2.0b"; }
  const std::string& About() const { return about_; }
  void SetAbout(const std::string& about) { about_ = about; }
  // Text of the last failed operation.
  const std::string& LastError() const { return lastError_; }
  TAVProbe& Probe() { return *probe_; }
  int32_t JobCount() const;

  // Binds the media libraries, which are linked, so `Folder` names no place to load them from:
  // the check is that their major versions match the build (see library_binding.h). Then installs
  // the log routing and the log level. On failure LastError holds the binder's text.
  bool LoadLibraries(const std::string& Folder, bool NumberedNames);
  bool LoadLibraries(const std::string& Folder, bool NumberedNames, const binding::VersionSource& versions);

  // Creates a job for `FileName` configured by `Options` (may be null: defaults) and opens its
  // input. Returns its Index, or -1 with LastError set. An empty FileName in `Options` means
  // `FileName`.
  int32_t AddJob(const std::string& FileName, const TInputOptions* Options);
  // Applies `Options` (may be null: defaults) to job `Index` and creates its output file.
  // Returns false with LastError set.
  bool SetJobOutput(int32_t Index, const std::string& FileName, const TOutputOptions* Options);
  // Frees job `Index` (stopping it first if it runs) and renumbers the jobs after it.
  void DeleteJob(int32_t Index);
  // Frees every job, clears LastError.
  void ClearJobs();

  // Starts the jobs in list order, at most `Parallel` at once, each in a thread of its own, the
  // next one as soon as one ends. With Parallel <= 0 the jobs run one after another in the
  // thread of the run loop, each begun from the loop 100 ms after the previous one ended.
  void StartJobs(int32_t Parallel);
  // Asks every running job to stop at its next safe point (its output keeps its trailer); jobs
  // not yet started never start and report OnTerminate(Index, false, false, "") from a
  // short-lived thread.
  void StopJobs();
  // Hold / release every job that runs in a thread of its own at its next safe point. Jobs that
  // run in the caller's thread are not affected.
  void PauseJobs();
  void ResumeJobs();

  TBeforeHookEvent OnBeforeHook;
  TCustomHookEvent OnCustomHook;
  TLogEvent OnLog;
  TProgressEvent OnProgress;
  TTerminateEvent OnTerminate;

 protected:
  // The jobs' callbacks end here. Hooks call their event without locking; DoLog, DoProgress and
  // DoTerminate hold the critical section. A null job: a line or end that belongs to no job.
  virtual void DoBeforeHook(TFFmpeg& job, int64_t pts, THookAction& action);
  virtual void DoCustomHook(TFFmpeg& job, TBitmap& bitmap, int32_t frameNumber, int64_t pts, bool& update,
                            bool& stop);
  // `level`: -1 the message of an exception that ended the job, 0 errors, 1 notices, 2 debug.
  virtual void DoLog(TFFmpeg* job, int level, const std::string& text);
  virtual void DoProgress(TFFmpeg& job, int32_t frameNumber, int32_t fps, int32_t currentDurationMs,
                          float quality, float bitRate, int64_t currentSizeBytes,
                          int32_t totalOutputDurationMs);
  // Reports the job's end and starts the next pending job in this same thread; after the last
  // job reports the end of the batch.
  virtual void DoTerminate(TFFmpeg* job);

  // The job list, for subclasses that inspect jobs. Only the configuring thread changes it.
  TFFmpegList& Jobs() { return *jobs_; }
  // Replaces what started jobs run (the engine's pipeline by default).
  void SetJobRunner(const JobRunner& runner);

 private:
  friend void RouteLibraryLine(TCustomTranscoder& component, std::thread::id thread, int level,
                               const std::string& text);

  void StartNextJob();
  void StartJob(int32_t index);
  void WireCallbacks(TFFmpeg& job);
  // Whether writing `outputName` would overwrite what another listed job reads; says so in
  // lastError_.
  bool IsInputOfAnotherJob(const TFFmpeg& job, const std::string& outputName);

  // Lock order: LoopToken (held by a loop task for a whole job run) -> CodecLock -> cs_ ->
  // {the TLogList lock, a job's pause gate, the run loop's lock}. The log routing registry is
  // only ever held alone. cs_ is recursive: a job that fails to start
  // reports its end from inside StartJobs, StopJobs or DoTerminate, which hold it already.
  mutable std::recursive_mutex cs_;
  std::unique_ptr<TFFmpegList> jobs_;  // guarded by cs_ (changed only by the configuring thread)
  std::unique_ptr<JobRunner> runner_;  // guarded by cs_
  int32_t parallel_ = 0;               // guarded by cs_
  int32_t pendingCount_ = 0;           // guarded by cs_
  int32_t finishedCount_ = 0;          // guarded by cs_
  int32_t nextJobIndex_ = -1;          // guarded by cs_
  bool destroying_ = false;            // guarded by cs_

  RunLoop* loop_;
  std::shared_ptr<LoopToken> loopToken_;  // lets tasks still posted to the loop see the end
  std::unique_ptr<TAVProbe> probe_;

  // Read by whichever thread starts a job.
  std::atomic<TLogLevel> logLevel_{llInfo};
  std::atomic<int32_t> progressInterval_{500};
  std::atomic<TConvertPriority> threadPriority_{tpNormal};
  std::atomic<int32_t> codecThreads_{0};
  std::string about_;
  std::string lastError_;  // the configuring thread's
};

// Publishes the properties and events of TCustomTranscoder; adds nothing.
class TTranscoder : public TCustomTranscoder {
 public:
  using TCustomTranscoder::TCustomTranscoder;
};

}  // namespace quorbel
