// Packet dispatch: one demultiplexed packet of one input stream (or none at the end of the run)
// goes to every output stream the input stream feeds, copied or decoded and re-encoded.
#pragma once

#include <cstdint>

#include "job/custom_ffmpeg.h"
#include "pipeline/run_tables.h"

namespace quorbel {

// Keeps the stream's clock, copies the packet to the copying outputs, decodes it for the
// re-encoding ones (applying the volume and rate emulation) and hands the decoded data to their
// encoders; outputs are fed only once the stream's Pts reaches the start time ("ss"). With no
// packet, drains the decoder and then the encoders of the outputs the stream feeds. Returns 0,
// or -1 when decoding failed or the stream's kind cannot be decoded. Encoder and multiplexer
// failures throw FFMpegException.
int ProcessPacket(TCustomFFmpeg& job, RunTables& tables, int32_t inputIndex, const AVPacket* packet);

// Scales interleaved signed 16-bit samples by volume / 256, rounding to the nearest value and
// clipping to the 16-bit range.
void ApplyVolume(uint8_t* samples, int sizeBytes, int32_t volume);

}  // namespace quorbel
