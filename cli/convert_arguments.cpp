#include "convert_arguments.h"

#include <optional>

#include "base/text.h"

namespace quorbel::cli {

namespace {

// More parallel jobs than this would only contend for the cores and open files.
constexpr int32_t kMaxParallel = 64;

std::optional<TLogLevel> ParseLogLevel(const std::string& text) {
  static const char* const kNames[] = {"quiet", "error", "info", "debug", "all"};
  for (int level = llQuiet; level <= llAll; ++level) {
    if (text == kNames[level] || text == std::to_string(level)) return static_cast<TLogLevel>(level);
  }
  return std::nullopt;
}

bool TakesValue(const std::string& arg) {
  return arg == "-o" || arg == "-d" || arg == "--ext" || arg == "-O" || arg == "-I" || arg == "-j" ||
         arg == "--log-level";
}

// An option line must stay one line of the option text.
std::string AddOption(const std::string& option, std::string& text) {
  if (option.empty() || option.find_first_of("\r\n") != std::string::npos)
    return "not an option: '" + option + "'";
  text += option + "\n";
  return "";
}

}  // namespace

std::string ParseConvertArguments(const Arguments& args, ConvertArguments& parsed) {
  bool optionsEnded = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (optionsEnded || arg.size() <= 1 || arg[0] != '-') {
      parsed.inputs.push_back(arg);
      continue;
    }
    if (TakesValue(arg) && i + 1 >= args.size()) return arg + " needs a value";
    if (arg == "--") {
      optionsEnded = true;
    } else if (arg == "-o") {
      parsed.output = args[++i];
    } else if (arg == "-d") {
      parsed.outputFolder = args[++i];
    } else if (arg == "--ext") {
      std::string extension = args[++i];
      if (!extension.empty() && extension[0] == '.') extension.erase(0, 1);
      if (extension.empty() || extension.find('/') != std::string::npos) {
        return "not an extension: '" + args[i] + "'";
      }
      parsed.extension = extension;
    } else if (arg == "-O" || arg == "-I") {
      const std::string problem =
          AddOption(args[++i], arg == "-O" ? parsed.outputOptions : parsed.inputOptions);
      if (!problem.empty()) return problem;
    } else if (arg == "-j") {
      int32_t parallel = 0;
      if (!TryStrToInt(args[++i], parallel) || parallel < 1 || parallel > kMaxParallel) {
        return "-j takes a number of jobs from 1 to " + std::to_string(kMaxParallel) + ", not '" + args[i] +
               "'";
      }
      parsed.parallel = parallel;
    } else if (arg == "--log-level") {
      const std::optional<TLogLevel> level = ParseLogLevel(args[++i]);
      if (!level) return "unknown log level '" + args[i] + "'";
      parsed.logLevel = *level;
    } else if (arg == "--overwrite") {
      parsed.overwrite = true;
    } else if (arg == "--dry-run") {
      parsed.dryRun = true;
    } else if (arg == "--json") {
      parsed.json = true;
    } else {
      return "unknown argument '" + arg + "'";
    }
  }
  if (parsed.inputs.empty()) return "no INPUT";
  if (!parsed.output.empty() && !parsed.outputFolder.empty()) return "-o and -d exclude each other";
  if (parsed.output.empty() && parsed.outputFolder.empty()) return "no -o OUTPUT or -d OUTDIR";
  if (!parsed.output.empty() && parsed.inputs.size() > 1) {
    return "more than one input for -o OUTPUT; with several inputs use -d OUTDIR [--ext EXT]";
  }
  if (!parsed.extension.empty() && parsed.outputFolder.empty()) return "--ext goes with -d OUTDIR";
  return "";
}

}  // namespace quorbel::cli
