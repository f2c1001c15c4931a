// Stream copy: the first video and the first audio stream read and muxed unchanged into a
// real container (chosen by the output file's extension), through the interleaving muxer.
#pragma once

#include <cstdint>
#include <string>

namespace quorbel::bench {

struct CopyTotals {
  int64_t packets = 0;
  int64_t bytes = 0;
};

// Throws std::runtime_error when the input cannot be read or the output not written.
CopyTotals CopyStreams(const std::string& input, const std::string& output);

}  // namespace quorbel::bench
