#include <sys/ioctl.h>
#include <unistd.h>

#include <condition_variable>
#include <filesystem>
#include <iostream>
#include <mutex>

#include "catalogue_convert.h"
#include "commands.h"
#include "convert_arguments.h"
#include "convert_view.h"
#include "interrupt_watcher.h"
#include "json.h"
#include "output_names.h"
#include "quorbel/transcoder.h"

namespace quorbel::cli {

namespace {

constexpr const char* kConvertUsage =
    "Usage: quorbel-cli convert INPUT -o OUTPUT [OPTIONS]\n"
    "       quorbel-cli convert INPUT... -d OUTDIR [--ext EXT] [OPTIONS]\n"
    "       quorbel-cli convert --format LINE ... -d OUTDIR INPUT...  (the catalogue: see\n"
    "                        quorbel-cli convert --format --help and quorbel-cli formats)\n"
    "\n"
    "Converts each INPUT as one engine job. The output's extension chooses its format unless\n"
    "-O f=NAME does; the options choose codecs, sizes and rates.\n"
    "\n"
    "  -o OUTPUT        the file to write (one INPUT only)\n"
    "  -d OUTDIR        write each INPUT to OUTDIR under its own name (OUTDIR is created)\n"
    "  --ext EXT        with -d: the extension of the outputs (default: the input's own)\n"
    "  -O name[=value]  an output option, e.g. vcodec=mpeg4, acodec=libmp3lame, ab=128000, s=320x240,\n"
    "                   target=dvd, t=10; applies to every job, in the order given\n"
    "  -I name[=value]  an input option, e.g. ss=5, f=mpegts, re\n"
    "  -j N             run N jobs at once (default 1)\n"
    "  --codec-threads N  threads per decoder and encoder (default 0: one per core)\n"
    "  --overwrite      write over existing files; without it an output that exists is written\n"
    "                   as NAME-1.EXT, NAME-2.EXT, ... instead\n"
    "  --dry-run        print each job's input, output and option text; convert nothing\n"
    "  --json           print one JSON object per event on stdout (see below)\n"
    "  --log-level L    quiet, error, info (the default), debug or all\n"
    "  --               everything after it is an INPUT\n"
    "\n"
    "An output is never one of the inputs: such a run is refused before anything is written.\n"
    "On a terminal a progress bar shows the percent of the expected output duration, frames, fps,\n"
    "size and the estimated time left; otherwise progress comes as plain lines. Log lines go to\n"
    "stderr. Ctrl-C stops the conversion and each output keeps its trailer; a second Ctrl-C\n"
    "aborts at once.\n"
    "\n"
    "JSON events (--json), one per line:\n"
    "  {\"event\":\"job\",\"job\":0,\"input\":...,\"output\":...}   a job was set up (--dry-run: with\n"
    "                                   \"input_options\" and \"output_options\")\n"
    "  {\"event\":\"setup_failed\",\"input\":...,\"output\":...,\"message\":...}\n"
    "  {\"event\":\"progress\",\"job\":0,\"frame\":..,\"fps\":..,\"time_ms\":..,\"quality\":..,\n"
    "   \"bitrate_kbits\":..,\"size\":..,\"total_ms\":..,\"percent\":..}   frame, fps, quality -1:\n"
    "                                   no video; total_ms -1 and percent null: length unknown\n"
    "  {\"event\":\"log\",\"job\":0,\"level\":\"info\",\"message\":...}\n"
    "  {\"event\":\"terminate\",\"job\":0,\"finished\":true,\"exception\":false,\"message\":\"\"}\n"
    "                                   job -1: every job has ended\n"
    "\n"
    "Examples:\n"
    "  quorbel-cli convert clip.avi -o clip.mp4 -O vcodec=mpeg4 -O s=320x240 -O acodec=aac\n"
    "  quorbel-cli convert *.avi -d out --ext mp4 -j 2 -O vcodec=mpeg4 -O ab=128000\n"
    "  quorbel-cli convert movie.mkv -o movie.mpg -O target=pal-dvd\n"
    "  quorbel-cli convert talk.wav -o talk.mp3 -O ab=192000 --json\n"
    "  quorbel-cli convert in.mp4 -o copy.mkv -O vcodec=copy -O acodec=copy --dry-run\n"
    "\n"
    "Exit status: 0 every job done; 1 a job failed (the reasons on stderr); 2 bad usage or an\n"
    "output that is an input; 3 stopped by Ctrl-C; 130 aborted by a second Ctrl-C.\n";

void PrintDryRun(const ConvertArguments& arguments, const std::vector<PlannedJob>& jobs, std::ostream& out) {
  for (size_t i = 0; i < jobs.size(); ++i) {
    if (arguments.json) {
      out << JsonObject()
                 .Add("event", "job")
                 .Add("job", static_cast<int64_t>(i))
                 .Add("input", jobs[i].input)
                 .Add("output", jobs[i].output)
                 .Add("input_options", arguments.inputOptions)
                 .Add("output_options", arguments.outputOptions)
                 .Text()
          << '\n';
      continue;
    }
    out << "# job " << i + 1 << ": '" << jobs[i].input << "' -> '" << jobs[i].output << "'\n"
        << "[input options]\n"
        << arguments.inputOptions << "[output options]\n"
        << arguments.outputOptions;
  }
}

ViewStyle ChooseStyle(bool json, std::ostream& err, int& columns) {
  if (json) return ViewStyle::kJson;
  if (&err != &std::cerr || isatty(STDERR_FILENO) == 0) return ViewStyle::kLines;
  winsize size{};
  if (ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) columns = size.ws_col;
  return ViewStyle::kBar;
}

// What the jobs' threads report to the waiting caller.
struct BatchEnd {
  std::mutex mutex;
  std::condition_variable changed;
  bool ended = false;  // guarded by mutex
};

class Conversion {
 public:
  Conversion(const ConvertArguments& arguments, std::ostream& out, std::ostream& err)
      : arguments_(arguments),
        err_(err),
        columns_(80),
        view_(ChooseStyle(arguments.json, err, columns_), out, err, columns_) {}

  int Run(const std::vector<PlannedJob>& planned) {
    // Declared before the component, whose destructor waits for the jobs' threads.
    BatchEnd end;
    TTranscoder transcoder;
    if (!transcoder.LoadLibraries("", true)) return Fail(transcoder.LastError());
    transcoder.SetLogLevel(arguments_.logLevel);
    transcoder.SetCodecThreads(arguments_.codecThreads);
    // The three events hold the component's critical section: they never overlap.
    transcoder.OnLog = [this](int32_t index, TLogLevel level, const std::string& text) {
      view_.Log(index, level, text);
    };
    transcoder.OnProgress = [this](int32_t index, int32_t frame, int32_t fps, int32_t durationMs,
                                   float quality, float bitRate, int64_t size, int32_t totalMs) {
      view_.Progress(index, frame, fps, durationMs, quality, bitRate, size, totalMs);
    };
    transcoder.OnTerminate = [this, &end](int32_t index, bool finished, bool exception,
                                          const std::string& message) {
      view_.Terminate(index, finished, exception, message);
      if (index >= 0) return;
      std::lock_guard lock(end.mutex);
      end.ended = true;
      end.changed.notify_all();
    };

    std::vector<PlannedJob> added;
    for (const PlannedJob& job : planned) {
      if (Configure(transcoder, job)) added.push_back(job);
    }
    if (added.empty()) return Report(added);

    InterruptWatcher interrupts(transcoder);
    view_.Started();
    transcoder.StartJobs(arguments_.parallel);
    std::unique_lock lock(end.mutex);
    end.changed.wait(lock, [&] { return end.ended; });
    return Report(added);
  }

 private:
  // Adds the job and gives it its output; a job that fails here is left out.
  bool Configure(TTranscoder& transcoder, const PlannedJob& job) {
    TInputOptions input;
    input.ExtOptions = arguments_.inputOptions;
    const int32_t index = transcoder.AddJob(job.input, &input);
    if (index < 0) return SetupFailed(job, transcoder.LastError());
    TOutputOptions output;
    output.ExtOptions = arguments_.outputOptions;
    if (!transcoder.SetJobOutput(index, job.output, &output)) {
      const std::string failure = transcoder.LastError();
      transcoder.DeleteJob(index);
      return SetupFailed(job, failure);
    }
    view_.JobAdded(index, job);
    return true;
  }

  bool SetupFailed(const PlannedJob& job, const std::string& message) {
    view_.SetupFailed(job, message);
    failures_.push_back(message);
    return false;
  }

  int Fail(const std::string& message) {
    failures_.push_back(message);
    return Report({});
  }

  // The reasons of every failure, last; then the exit status.
  int Report(const std::vector<PlannedJob>& added) {
    view_.Finish();
    bool stopped = false;
    for (size_t i = 0; i < added.size(); ++i) {
      const auto index = static_cast<int32_t>(i);
      switch (view_.Outcome(index)) {
        case JobOutcome::kFailed: {
          const std::string prefix = added.size() > 1 ? "'" + added[i].input + "': " : "";
          failures_.push_back(prefix + view_.Failure(index));
          break;
        }
        case JobOutcome::kStopped:
        case JobOutcome::kPending:
          stopped = true;
          break;
        case JobOutcome::kDone:
          break;
      }
    }
    for (const std::string& failure : failures_) err_ << "quorbel-cli convert: " << failure << '\n';
    if (!failures_.empty()) return kExitFailed;
    if (stopped) {
      err_ << "quorbel-cli convert: stopped\n";
      return kExitStopped;
    }
    return kExitDone;
  }

  const ConvertArguments& arguments_;
  std::ostream& err_;
  int columns_;
  ConvertView view_;
  std::vector<std::string> failures_;
};

}  // namespace

int ConvertCommand(const Arguments& args, std::ostream& out, std::ostream& err) {
  if (IsCatalogueConvert(args)) return CatalogueConvertCommand(args, out, err);
  if (!args.empty() && (args[0] == "--help" || args[0] == "-h")) {
    out << kConvertUsage;
    return kExitDone;
  }
  ConvertArguments arguments;
  if (const std::string problem = ParseConvertArguments(args, arguments); !problem.empty()) {
    err << "quorbel-cli convert: " << problem << "\n\n" << kConvertUsage;
    return kExitBadUsage;
  }
  std::vector<PlannedJob> jobs;
  if (const std::string refusal = PlanOutputs(arguments, jobs); !refusal.empty()) {
    err << "quorbel-cli convert: " << refusal << '\n';
    return kExitBadUsage;
  }
  if (arguments.dryRun) {
    PrintDryRun(arguments, jobs, out);
    return kExitDone;
  }
  if (!arguments.outputFolder.empty()) {
    std::error_code error;
    std::filesystem::create_directories(arguments.outputFolder, error);
    if (error) {
      err << "quorbel-cli convert: cannot create the folder '" << arguments.outputFolder
          << "': " << error.message() << '\n';
      return kExitFailed;
    }
  }
  return Conversion(arguments, out, err).Run(jobs);
}

}  // namespace quorbel::cli
