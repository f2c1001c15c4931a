// quorbel-graph's two ways of printing a report: lines for people, one JSON object for tools.
#pragma once

#include <string>

#include "graph_run.h"

namespace quorbel::graphtool {

// One line for the file and the filter, then one line per pin.
std::string FormatText(const GraphReport& report);
// {"file": ..., "filter": ..., "pins": [{"name", "major", "subtype", "format", "samples",
// "first_start_100ns", "last_start_100ns", "sync_points", "discontinuities", "preroll", "eos",
// "bytes"}]}; the start times are null for a pin without timed samples.
std::string FormatJson(const GraphReport& report);

}  // namespace quorbel::graphtool
