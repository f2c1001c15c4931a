// The audio output path: keeps a re-encoded audio stream in step with its input clock, converts
// rate and channels, cuts whole encoder frames and encodes them.
//
// Not built yet: both entry points throw (see reencoding_guard.h). What the dispatcher already
// does for them: the block is interleaved signed 16-bit audio at the source decoder's sample
// rate (ist.Decoder()->sample_rate) with ist.RequestedChannels channels (set from this encoder's
// channel count at setup), the volume is applied and ist.Pts is the block's time in us. Setup
// has created ost.AudioFifo (1024 bytes, grows) and set ost.AudioResample; ost.Resampler is made
// here. Encoded frames go through EncodeFrame (encoder_output.h), which writes and counts them.
#pragma once

#include <cstdint>

#include "job/custom_ffmpeg.h"
#include "pipeline/run_tables.h"

namespace quorbel {

// One decoded block of sizeBytes bytes for the output stream ost fed by ist.
void EncodeAudio(TCustomFFmpeg& job, AVFormatContext* os, TOutputStreamState& ost, TInputStreamState& ist,
                 const uint8_t* samples, int sizeBytes);

// End of the run, before the encoder is drained: what ost.AudioFifo still holds, as a final
// short frame when the encoder takes one.
void EncodeAudioRemainder(TCustomFFmpeg& job, AVFormatContext* os, TOutputStreamState& ost);

}  // namespace quorbel
