// The command line of "quorbel-cli convert", parsed.
#pragma once

#include <string>
#include <vector>

#include "commands.h"
#include "quorbel/transcoder.h"

namespace quorbel::cli {

struct ConvertArguments {
  std::vector<std::string> inputs;
  std::string output;         // -o: the one output of a single input
  std::string outputFolder;   // -d: an output per input, named after it
  std::string extension;      // --ext, without its dot; empty: each input's own extension
  std::string inputOptions;   // -I: option text, one name=value per line
  std::string outputOptions;  // -O: option text
  int32_t parallel = 1;       // -j
  bool overwrite = false;
  bool dryRun = false;
  bool json = false;
  TLogLevel logLevel = llInfo;
};

// Returns an empty string, or what is wrong with the arguments.
std::string ParseConvertArguments(const Arguments& args, ConvertArguments& parsed);

}  // namespace quorbel::cli
