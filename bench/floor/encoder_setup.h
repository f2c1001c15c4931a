// Encoders as the engine sets them up: the context's defaults, the fields the job sets, the
// named options, then opened with the run's codec thread count. Packets are counted and
// discarded.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "base/av_ptr.h"

namespace quorbel::bench {

// A context for the encoder `name`, with the global-header flag when `formatName`'s muxer
// wants it. Throws std::runtime_error for an unknown encoder.
CodecContextPtr NewEncoder(const std::string& name, const std::string& formatName);

// Sets the named options, the buffer occupancy default (3/4 of the buffer), the thread count,
// and opens the encoder.
void OpenEncoder(AVCodecContext& encoder, const std::map<std::string, std::string>& options, int threads);

struct EncodedTotals {
  int64_t packets = 0;
  int64_t bytes = 0;
};

// Sends `frame` (null: drain) and receives every packet it yields into `packet`, discarding it.
void EncodeAndDiscard(AVCodecContext& encoder, const AVFrame* frame, AVPacket& packet, EncodedTotals& totals);

}  // namespace quorbel::bench
