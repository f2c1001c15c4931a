// What quorbel-graph does: plays a file through file source -> the registry's splitter -> one
// counting sink per output pin (taking the pin's exact type), to the end, and reports per pin.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "com/registry.h"
#include "counting_sink.h"

namespace quorbel::graphtool {

struct GraphOptions {
  std::optional<int64_t> startMs;
  std::optional<int64_t> stopMs;
  std::optional<double> rate;
};

struct PinReport {
  std::string name;
  GUID major;
  GUID subtype;
  std::string format;  // audio format tag ("0x0161") or video FourCC ("WMV2")
  SampleCounts counts;
};

struct GraphReport {
  std::string file;
  std::string filter;  // the splitter's name; empty when no registered filter took the file
  std::vector<PinReport> pins;
};

// S_OK when every pin reached its end. A failure leaves report.filter empty when the graph could
// not be built (no registered filter takes the file, or the file does not open); error says why.
HRESULT RunGraph(const com::Registry& registry, const std::string& file, const GraphOptions& options,
                 GraphReport& report, std::string& error);

// "Video", "Audio" or the GUID; the format of a media subtype ("WMV2", "0x0161").
std::string MajorTypeName(const GUID& major);
std::string SubtypeFormat(const GUID& subtype);

}  // namespace quorbel::graphtool
