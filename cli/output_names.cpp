#include "output_names.h"

#include <filesystem>
#include <system_error>

namespace quorbel::cli {

namespace fs = std::filesystem;

namespace {

// Anything under the name, a folder or a dangling link included, is in the way.
bool ExistsOnDisk(const std::string& path) {
  std::error_code error;
  return fs::exists(fs::symlink_status(path, error));
}

bool TakenBy(const std::string& path, const std::vector<PlannedJob>& earlier) {
  for (const PlannedJob& job : earlier) {
    if (SameFile(path, job.output)) return true;
  }
  return false;
}

std::string DefaultOutput(const ConvertArguments& arguments, const std::string& input) {
  if (!arguments.output.empty()) return arguments.output;
  fs::path name = fs::path(input).filename();
  if (!arguments.extension.empty()) name.replace_extension("." + arguments.extension);
  return (fs::path(arguments.outputFolder) / name).string();
}

std::string FreeName(const std::string& wanted, bool overwrite, const std::vector<PlannedJob>& earlier) {
  const auto taken = [&](const std::string& path) {
    return (!overwrite && ExistsOnDisk(path)) || TakenBy(path, earlier);
  };
  if (!taken(wanted)) return wanted;
  const fs::path path(wanted);
  const std::string extension = path.extension().string();
  const std::string stem = (path.parent_path() / path.stem()).string();
  std::string candidate;
  for (int number = 1;; ++number) {
    candidate = stem + "-" + std::to_string(number) + extension;
    if (!taken(candidate)) return candidate;
  }
}

std::string InputRefusal(const std::string& output, const std::vector<std::string>& inputs) {
  for (const std::string& source : inputs) {
    if (SameFile(output, source)) {
      return "the output '" + output + "' is the input file '" + source +
             "'; choose another output name or folder";
    }
  }
  return "";
}

}  // namespace

bool SameFile(const std::string& a, const std::string& b) {
  std::error_code error;
  if (fs::equivalent(a, b, error)) return true;
  const fs::path first = fs::weakly_canonical(fs::absolute(a, error), error);
  if (error) return false;
  const fs::path second = fs::weakly_canonical(fs::absolute(b, error), error);
  return !error && first == second;
}

std::string PlanOutputs(const ConvertArguments& arguments, std::vector<PlannedJob>& jobs) {
  jobs.clear();
  for (const std::string& input : arguments.inputs) {
    // The name asked for is checked too: renaming it would hide that the command line is wrong.
    const std::string wanted = DefaultOutput(arguments, input);
    const std::string output = FreeName(wanted, arguments.overwrite, jobs);
    for (const std::string& path : {wanted, output}) {
      if (const std::string refusal = InputRefusal(path, arguments.inputs); !refusal.empty()) return refusal;
    }
    jobs.push_back({input, output});
  }
  return "";
}

}  // namespace quorbel::cli
