// The commands of quorbel-cli. Each takes the arguments after its name, writes its results to
// `out` and its complaints to `err`, and returns the process exit status.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace quorbel::cli {

using Arguments = std::vector<std::string>;

// The exit statuses every command shares.
constexpr int kExitDone = 0;      // all done
constexpr int kExitFailed = 1;    // a file or job failed; the reasons on stderr
constexpr int kExitBadUsage = 2;  // bad usage, or a request refused before anything ran
constexpr int kExitStopped = 3;   // stopped by Ctrl-C

// probe FILE...: one JSON line per file (see kProbeUsage in probe_command.cpp).
int ProbeCommand(const Arguments& args, std::ostream& out, std::ostream& err);

// convert INPUT... (-o OUTPUT | -d OUTDIR [--ext EXT]) [options]: one engine job per input (see
// kConvertUsage in convert_command.cpp). The progress bar is drawn only when `err` is std::cerr
// on a terminal.
int ConvertCommand(const Arguments& args, std::ostream& out, std::ostream& err);

// list-encoders [video|audio|subtitle] [--json] and list-formats [--json]: what the linked
// libraries offer.
int ListEncodersCommand(const Arguments& args, std::ostream& out, std::ostream& err);
int ListFormatsCommand(const Arguments& args, std::ostream& out, std::ostream& err);

}  // namespace quorbel::cli
