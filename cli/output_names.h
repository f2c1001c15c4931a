// Which file each input of "quorbel-cli convert" is written to.
#pragma once

#include <string>
#include <vector>

#include "convert_arguments.h"

namespace quorbel::cli {

struct PlannedJob {
  std::string input;
  std::string output;
};

// One job per input, in their order. The output is -o OUTPUT, or OUTDIR/<input's name>.<EXT>
// (the input's own extension without --ext). A name that exists, or that an earlier job of the
// same call already takes, becomes NAME-1.EXT, NAME-2.EXT, ... (the first that is free); with
// --overwrite only the names taken by earlier jobs are avoided. Returns an empty string, or the
// refusal when an output, or the name asked for before it was made unique, is one of the inputs
// (the same path, or the same file through a link).
std::string PlanOutputs(const ConvertArguments& arguments, std::vector<PlannedJob>& jobs);

// Whether a and b name the same file: the same inode when both exist, otherwise the same
// normalised absolute path.
bool SameFile(const std::string& a, const std::string& b);

}  // namespace quorbel::cli
