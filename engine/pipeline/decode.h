// Decoding the packets of an input stream into what the output paths take, keeping the stream's
// clock: each decoded unit is delivered with ist.Pts at its time and ist.NextPts past it.
#pragma once

#include <functional>

#include "job/custom_ffmpeg.h"
#include "pipeline/run_tables.h"

namespace quorbel {

// One decoded unit; exactly one member is set.
struct DecodedData {
  AVFrame* picture = nullptr;  // video, as the decoder returned it
  // Audio: interleaved signed 16-bit samples at the decoder's rate with ist.RequestedChannels
  // channels (the decoder's own count when none is requested), in job.run.DecodeSamples.
  uint8_t* samples = nullptr;
  int sizeBytes = 0;
  AVSubtitle* subtitle = nullptr;
};

using DecodedSink = std::function<void(DecodedData& data)>;

// Smallest size of job.run.DecodeSamples once audio is decoded.
inline constexpr size_t kMinDecodeSamplesBytes = 192000;

// Sends packet to ist's (open) decoder, or drains it when there is none, and calls deliver for
// every unit it returns. From the second unit of one packet on, logs "Multiple frames in a
// packet from stream %d" at level 0 when the job's Verbosity > 0. Returns 0, or -1 when decoding
// fails (units decoded before have been delivered) or the stream's kind cannot be decoded.
// Exceptions thrown by deliver pass through.
int DecodePacket(TCustomFFmpeg& job, TInputStreamState& ist, const AVPacket* packet,
                 const DecodedSink& deliver);

}  // namespace quorbel
