// TCustomFFmpeg: one conversion job. It holds the job's option state, the files it opened, its
// frame-hook state, the run flags the component schedules by, and the callbacks through which it
// reports. The pipeline adds its run state beside these groups.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "job/hook_types.h"
#include "job/job_files.h"
#include "job/option_state.h"
#include "job/pause_gate.h"
#include "job/plugin_hooks.h"
#include "pipeline/run_state.h"

namespace quorbel {

class TCustomFFmpeg;

// The five callbacks of a job; each is called only when assigned.
// Before a frame reaches plug-in hooks; may change the action (kept between frames).
using TJobBeforeHook = std::function<void(TCustomFFmpeg& job, THookAction& action, int64_t ptsUs)>;
// With each frame as a bitmap; update: copy the bitmap back; stop: no further calls this job.
using TJobCustomHook = std::function<void(TCustomFFmpeg& job, TBitmap& bitmap, int32_t frameNumber,
                                          int64_t ptsUs, bool& update, bool& stop)>;
// level: -1 the message of an exception that ended a step, 0 errors, 1 warnings and notices.
using TJobLog = std::function<void(TCustomFFmpeg& job, int level, const std::string& text)>;
using TJobProgress = std::function<void(TCustomFFmpeg& job, int32_t frameNumber, int32_t fps,
                                        int32_t currentDurationMs, float quality, float bitRateKbits,
                                        int64_t currentSizeBytes, int32_t totalOutputDurationMs)>;
using TJobTerminate = std::function<void(TCustomFFmpeg& job)>;

// Frame-hook state of a job (reset with the option state).
struct HookState {
  bool UsePluginHooks = false;  // set by "vhook"; cleared for good by haStop
  TPluginHookList PluginHooks;
  std::vector<THookRange> HookRanges;  // sorted by end
  int32_t HookRangeIndex = 0;
  THookAction HookAction = haContinue;
  int32_t HookFrameNumber = 0;
};

class TCustomFFmpeg {
 public:
  // Creates the job with a fresh option state.
  TCustomFFmpeg();
  virtual ~TCustomFFmpeg();
  TCustomFFmpeg(const TCustomFFmpeg&) = delete;
  TCustomFFmpeg& operator=(const TCustomFFmpeg&) = delete;

  // Releases the current state and establishes every default: option settings, hook state,
  // cleared run flags, TotalOutputDuration -1, new option templates. Verbosity is kept.
  void ResetOptionState();
  // Releases the run state (closing any codec left open), closes the job's files (an output file
  // left empty is deleted), releases plug-in hooks and the option templates. Safe to call more
  // than once.
  void ReleaseOptionState();

  // The job's library log level (engine units, -1 quiet ... 3 everything).
  int32_t Verbosity() const { return verbosity_; }
  // Also sets the libraries' log level and the cached level of the log callback.
  void SetVerbosity(int32_t level);

  // Writes a line through the log callback, when one is assigned.
  void Log(int level, const std::string& text);
  bool HasLogCallback() const { return static_cast<bool>(LogCallback); }

  OptionState settings;
  HookState hooks;
  std::vector<InputFile> inputFiles;
  std::vector<OutputFile> outputFiles;
  RunState run;  // the pipeline's state of the job's run

  std::string LastErrorText;         // last setup failure (open input, create output)
  std::string ErrorMessage;          // message of the exception that ended the job
  int32_t TotalOutputDuration = -1;  // ms; -1 until known
  int64_t ProgressIntervalUs = 500000;
  // Threads for each decoder and encoder of the run, 0 = one per core; set when the job starts.
  int32_t CodecThreads = 0;
  // Run flags; the component and the job's thread both touch them.
  std::atomic<bool> Running{false};
  std::atomic<bool> StopRequested{false};
  std::atomic<bool> Finished{false};
  std::atomic<bool> Terminated{false};
  std::atomic<bool> ExceptionRaised{false};

  // Blocks while the component holds the job paused. The run calls it at its safe points: each
  // main-loop turn, each duplicated frame and before each encoder call.
  void WaitWhilePaused() { pauseGate.Pass(); }
  PauseGate pauseGate;

  TJobBeforeHook BeforeHookCallback;
  TJobCustomHook CustomHookCallback;
  TJobLog LogCallback;
  TJobProgress ProgressCallback;
  TJobTerminate TerminateCallback;

 private:
  int32_t verbosity_ = 1;
};

}  // namespace quorbel
