#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <optional>

#include "commands.h"
#include "interrupt_watcher.h"
#include "quorbel/transcoder.h"

namespace quorbel::cli {

namespace {

constexpr const char* kConvertUsage =
    "Usage: quorbel-cli convert INPUT -o OUTPUT [-O name=value]... [-I name=value]... [--log-level L]\n"
    "\n"
    "Converts INPUT into OUTPUT as one engine job on a worker thread.\n"
    "  -o OUTPUT        the file to write; its extension chooses the format unless -O f=NAME does\n"
    "  -O name[=value]  an output option, e.g. vcodec=copy, acodec=libmp3lame, ab=128000, t=10\n"
    "  -I name[=value]  an input option, e.g. ss=5, f=mpegts, re\n"
    "  --log-level L    quiet, error, info (the default), debug or all\n"
    "Options apply in the order given. Log lines go to stderr. Ctrl-C stops the conversion and\n"
    "the output keeps its trailer; a second Ctrl-C aborts at once.\n"
    "\n"
    "Exit status: 0 done, 1 failed (the reason on stderr), 2 bad usage or an output that is the\n"
    "input file, 3 stopped, 130 aborted.\n";

constexpr int kDone = 0;
constexpr int kFailed = 1;
constexpr int kBadUsage = 2;
constexpr int kStopped = 3;

struct ConvertArguments {
  std::string input;
  std::string output;
  std::string inputOptions;   // option text, one name=value per line
  std::string outputOptions;  // option text
  TLogLevel logLevel = llInfo;
};

std::optional<TLogLevel> ParseLogLevel(const std::string& text) {
  static const char* const kNames[] = {"quiet", "error", "info", "debug", "all"};
  for (int level = llQuiet; level <= llAll; ++level) {
    if (text == kNames[level] || text == std::to_string(level)) return static_cast<TLogLevel>(level);
  }
  return std::nullopt;
}

// Returns an empty string, or what is wrong with the arguments.
std::string Parse(const Arguments& args, ConvertArguments& parsed) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const bool takesValue = arg == "-o" || arg == "-O" || arg == "-I" || arg == "--log-level";
    if (takesValue && i + 1 >= args.size()) return arg + " needs a value";
    if (arg == "-o") {
      parsed.output = args[++i];
    } else if (arg == "-O" || arg == "-I") {
      const std::string& option = args[++i];
      if (option.empty() || option.find_first_of("\r\n") != std::string::npos) {
        return "not an option: '" + option + "'";
      }
      (arg == "-O" ? parsed.outputOptions : parsed.inputOptions) += option + "\n";
    } else if (arg == "--log-level") {
      const std::optional<TLogLevel> level = ParseLogLevel(args[++i]);
      if (!level) return "unknown log level '" + args[i] + "'";
      parsed.logLevel = *level;
    } else if (arg.size() > 1 && arg[0] == '-') {
      return "unknown argument '" + arg + "'";
    } else if (parsed.input.empty()) {
      parsed.input = arg;
    } else {
      return "more than one input: '" + arg + "'";
    }
  }
  if (parsed.input.empty()) return "no INPUT";
  if (parsed.output.empty()) return "no -o OUTPUT";
  return "";
}

// The same file by inode when both exist, otherwise by their normalised absolute paths.
bool SameFile(const std::string& a, const std::string& b) {
  std::error_code error;
  if (std::filesystem::equivalent(a, b, error)) return true;
  const std::filesystem::path first = std::filesystem::weakly_canonical(a, error);
  if (error) return false;
  const std::filesystem::path second = std::filesystem::weakly_canonical(b, error);
  return !error && first == second;
}

struct Outcome {
  int status = kFailed;
  std::string message;  // for stderr, without the command's prefix; empty when none
};

// What the job's thread reports to the waiting caller.
struct JobEnd {
  std::mutex mutex;
  std::condition_variable changed;
  bool batchEnded = false;  // guarded by mutex
  bool finished = false;    // guarded by mutex
  bool failed = false;      // guarded by mutex
  std::string failure;      // guarded by mutex
};

Outcome Run(const ConvertArguments& arguments, std::ostream& err) {
  // Declared first, so that it outlives the component, whose destructor waits for the job's thread.
  JobEnd end;
  TTranscoder transcoder;
  if (!transcoder.LoadLibraries("", true)) return {kFailed, transcoder.LastError()};
  transcoder.SetLogLevel(arguments.logLevel);
  // Both events run under the component's critical section, so lines never interleave.
  transcoder.OnLog = [&err](int32_t, TLogLevel level, const std::string& text) {
    // The message of a failure is the outcome's, printed once at the end.
    if (level != llQuiet) err << text << '\n';
  };
  transcoder.OnTerminate = [&end](int32_t index, bool finished, bool exception, const std::string& message) {
    std::lock_guard lock(end.mutex);
    if (index >= 0) {
      end.finished = finished;
      end.failed = exception;
      end.failure = message;
    } else {
      end.batchEnded = true;
    }
    end.changed.notify_all();
  };

  TInputOptions input;
  input.ExtOptions = arguments.inputOptions;
  if (transcoder.AddJob(arguments.input, &input) < 0) return {kFailed, transcoder.LastError()};
  TOutputOptions output;
  output.ExtOptions = arguments.outputOptions;
  if (!transcoder.SetJobOutput(0, arguments.output, &output)) return {kFailed, transcoder.LastError()};

  InterruptWatcher interrupts(transcoder);
  transcoder.StartJobs(1);
  std::unique_lock lock(end.mutex);
  end.changed.wait(lock, [&] { return end.batchEnded; });
  if (end.failed) return {kFailed, end.failure};
  if (!end.finished) return {kStopped, "stopped"};
  return {kDone, ""};
}

}  // namespace

int ConvertCommand(const Arguments& args, std::ostream& out, std::ostream& err) {
  if (!args.empty() && (args[0] == "--help" || args[0] == "-h")) {
    out << kConvertUsage;
    return kDone;
  }
  ConvertArguments arguments;
  if (const std::string problem = Parse(args, arguments); !problem.empty()) {
    err << "quorbel-cli convert: " << problem << "\n\n" << kConvertUsage;
    return kBadUsage;
  }
  if (SameFile(arguments.input, arguments.output)) {
    err << "quorbel-cli convert: the output '" << arguments.output
        << "' is the input file; choose another output file\n";
    return kBadUsage;
  }
  const Outcome outcome = Run(arguments, err);
  if (!outcome.message.empty()) err << "quorbel-cli convert: " << outcome.message << '\n';
  return outcome.status;
}

}  // namespace quorbel::cli
