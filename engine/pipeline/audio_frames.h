// Handing interleaved signed 16-bit samples to an audio encoder: one frame in the encoder's own
// sample format (planar float for "aac", for instance), encoded and written by EncodeFrame.
#pragma once

#include <cstdint>

#include "job/custom_ffmpeg.h"
#include "pipeline/run_tables.h"

namespace quorbel {

// Encodes `count` sample frames of `samples` (the encoder's rate and channel count) as one frame
// placed at ptsSamples (a sample number at the encoder's rate), or right after the previous
// frame when that would overlap it. Throws FFMpegException "Audio encoding failed" when the
// encoder fails.
void EncodeSamples(TCustomFFmpeg& job, AVFormatContext* os, TOutputStreamState& ost, const uint8_t* samples,
                   int count, int64_t ptsSamples);

}  // namespace quorbel
