// Runs quorbel-cli convert in-process and keeps what it printed.
#pragma once

#include <sstream>
#include <string>

#include "commands.h"

namespace quorbel::cli {

struct ConvertRun {
  int status;
  std::string out;
  std::string err;
};

inline ConvertRun Convert(const Arguments& args) {
  std::ostringstream out;
  std::ostringstream err;
  const int status = ConvertCommand(args, out, err);
  return {status, out.str(), err.str()};
}

}  // namespace quorbel::cli
