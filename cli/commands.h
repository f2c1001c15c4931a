// The commands of quorbel-cli. Each takes the arguments after its name, writes its results to
// `out` and its complaints to `err`, and returns the process exit status.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace quorbel::cli {

using Arguments = std::vector<std::string>;

// probe FILE...: one JSON line per file (see kProbeUsage in probe_command.cpp).
int ProbeCommand(const Arguments& args, std::ostream& out, std::ostream& err);

// convert INPUT -o OUTPUT [-O name=value]... [-I name=value]... [--log-level L]: one job on a
// worker thread (see kConvertUsage in convert_command.cpp).
int ConvertCommand(const Arguments& args, std::ostream& out, std::ostream& err);

}  // namespace quorbel::cli
