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

// convert INPUT... (-o OUTPUT | -d OUTDIR [--ext EXT]) [options]: one engine job per input (see
// kConvertUsage in convert_command.cpp). The progress bar is drawn only when `err` is std::cerr
// on a terminal.
int ConvertCommand(const Arguments& args, std::ostream& out, std::ostream& err);

// list-encoders [video|audio|subtitle] [--json] and list-formats [--json]: what the linked
// libraries offer.
int ListEncodersCommand(const Arguments& args, std::ostream& out, std::ostream& err);
int ListFormatsCommand(const Arguments& args, std::ostream& out, std::ostream& err);

}  // namespace quorbel::cli
