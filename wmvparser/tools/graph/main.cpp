// quorbel-graph FILE [--start MS] [--stop MS] [--rate R] [--json]: plays FILE through the
// registered splitter into counting sinks and prints what each output pin delivered. A user
// checks with it that the plug-in is registered and works.
//
// Exit status: 0 played to the end; 1 no registered filter takes the file; 2 bad usage;
// 3 playback failed.
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "graph_output.h"
#include "graph_run.h"

namespace {

enum ExitCode { kOk = 0, kNoFilter = 1, kUsage = 2, kFailed = 3 };

constexpr const char* kUsageText =
    "usage: quorbel-graph FILE [--start MS] [--stop MS] [--rate R] [--json]\n"
    "  plays FILE through the registered splitter and reports per output pin: name, types,\n"
    "  samples, first and last start time (100 ns), sync points, discontinuities, preroll\n"
    "  samples, ends of stream and bytes. The registry is $QUORBEL_REGISTRY or the user's.\n";

bool ParseInteger(const char* text, int64_t& value) {
  errno = 0;
  char* end = nullptr;
  const long long parsed = std::strtoll(text, &end, 10);
  if (errno != 0 || end == text || *end != '\0') return false;
  value = parsed;
  return true;
}

bool ParseRate(const char* text, double& value) {
  errno = 0;
  char* end = nullptr;
  value = std::strtod(text, &end);
  return errno == 0 && end != text && *end == '\0' && std::isfinite(value);
}

}  // namespace

int main(int argc, char** argv) {
  using namespace quorbel::graphtool;
  GraphOptions options;
  std::string file;
  bool json = false;
  for (int i = 1; i < argc; ++i) {
    const char* argument = argv[i];
    const bool hasValue = i + 1 < argc;
    bool ok = true;
    if (std::strcmp(argument, "--json") == 0) {
      json = true;
    } else if (std::strcmp(argument, "--help") == 0) {
      std::fputs(kUsageText, stdout);
      return kOk;
    } else if (std::strcmp(argument, "--start") == 0 || std::strcmp(argument, "--stop") == 0) {
      int64_t ms = 0;
      ok = hasValue && ParseInteger(argv[++i], ms) && ms >= 0;
      (std::strcmp(argument, "--start") == 0 ? options.startMs : options.stopMs) = ms;
    } else if (std::strcmp(argument, "--rate") == 0) {
      double rate = 0;
      ok = hasValue && ParseRate(argv[++i], rate);
      options.rate = rate;
    } else if (argument[0] != '-' && file.empty()) {
      file = argument;
    } else {
      ok = false;
    }
    if (!ok) {
      std::fputs(kUsageText, stderr);
      return kUsage;
    }
  }
  if (file.empty()) {
    std::fputs(kUsageText, stderr);
    return kUsage;
  }

  GraphReport report;
  std::string error;
  const quorbel::com::HRESULT hr = RunGraph(quorbel::com::Registry::Default(), file, options, report, error);
  if (quorbel::com::FAILED(hr) && report.filter.empty()) {
    std::fprintf(stderr, "quorbel-graph: %s: %s\n", file.c_str(), error.c_str());
    return kNoFilter;
  }
  std::fputs((json ? FormatJson(report) : FormatText(report)).c_str(), stdout);
  if (quorbel::com::FAILED(hr)) {
    std::fprintf(stderr, "quorbel-graph: %s: %s\n", file.c_str(), error.c_str());
    return kFailed;
  }
  return kOk;
}
