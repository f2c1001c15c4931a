#include "graph_output.h"

#include <cstdio>

namespace quorbel::graphtool {

namespace {

std::string JsonString(const std::string& text) {
  std::string out = "\"";
  for (const char c : text) {
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
          out += escaped;
        } else {
          out += c;
        }
    }
  }
  return out + "\"";
}

std::string Number(const std::optional<REFERENCE_TIME>& value) {
  return value ? std::to_string(*value) : std::string("null");
}

std::string Time(const std::optional<REFERENCE_TIME>& value) {
  return value ? std::to_string(*value) : std::string("-");
}

}  // namespace

std::string FormatText(const GraphReport& report) {
  std::string out = "file: " + report.file + "\nfilter: " + report.filter + "\n";
  for (const PinReport& pin : report.pins) {
    const SampleCounts& c = pin.counts;
    out += "pin \"" + pin.name + "\": " + MajorTypeName(pin.major) + " " + GuidToString(pin.subtype) + " " +
           pin.format + ", " + std::to_string(c.samples) + " samples, first start " + Time(c.firstStart) +
           ", last start " + Time(c.lastStart) + " (100 ns), " + std::to_string(c.syncPoints) +
           " sync points, " + std::to_string(c.discontinuities) + " discontinuities, " +
           std::to_string(c.preroll) + " preroll, " + std::to_string(c.endOfStreams) + " end of stream, " +
           std::to_string(c.bytes) + " bytes\n";
  }
  return out;
}

std::string FormatJson(const GraphReport& report) {
  std::string out =
      "{\"file\":" + JsonString(report.file) + ",\"filter\":" + JsonString(report.filter) + ",\"pins\":[";
  bool first = true;
  for (const PinReport& pin : report.pins) {
    const SampleCounts& c = pin.counts;
    out += first ? "{" : ",{";
    first = false;
    out += "\"name\":" + JsonString(pin.name) + ",\"major\":" + JsonString(MajorTypeName(pin.major)) +
           ",\"subtype\":" + JsonString(GuidToString(pin.subtype)) + ",\"format\":" + JsonString(pin.format) +
           ",\"samples\":" + std::to_string(c.samples) + ",\"first_start_100ns\":" + Number(c.firstStart) +
           ",\"last_start_100ns\":" + Number(c.lastStart) +
           ",\"sync_points\":" + std::to_string(c.syncPoints) +
           ",\"discontinuities\":" + std::to_string(c.discontinuities) +
           ",\"preroll\":" + std::to_string(c.preroll) + ",\"eos\":" + std::to_string(c.endOfStreams) +
           ",\"bytes\":" + std::to_string(c.bytes) + "}";
  }
  return out + "]}\n";
}

}  // namespace quorbel::graphtool
