// The audio output path: keeps a re-encoded audio stream in step with its input clock (see
// audio_sync.h), converts rate and channels (ost.Resampler, made at the first block that needs
// it), cuts whole encoder frames through ost.AudioFifo and encodes them; sample-based encoders
// (frame size <= 1) take each block whole, without the FIFO.
//
// What the dispatcher hands in: interleaved signed 16-bit audio at the source decoder's sample
// rate (ist.Decoder()->sample_rate) with ist.RequestedChannels channels (the decoder's own count
// when none is requested), the volume applied, and ist.Pts the block's time in us. Frames are
// placed at ost.SyncPos, the stream's next sample number at the encoder's rate, and written by
// EncodeFrame (encoder_output.h), which counts AudioBytes and advances ost.EndTs. The work
// buffers are the job's (job.run.Audio).
#pragma once

#include <cstdint>

#include "job/custom_ffmpeg.h"
#include "pipeline/run_tables.h"

namespace quorbel {

// One decoded block of sizeBytes bytes for the output stream ost fed by ist. Throws
// FFMpegException "Can not resample %d channels @ %d Hz to %d channels @ %d Hz" when no resampler
// can be made for the pair, "Audio encoding failed" when the encoder fails, and the packet
// writer's errors.
void EncodeAudio(TCustomFFmpeg& job, AVFormatContext* os, TOutputStreamState& ost, TInputStreamState& ist,
                 const uint8_t* samples, int sizeBytes);

// End of the run, before the encoder is drained: the resampler's last samples, then what
// ost.AudioFifo still holds: whole frames, and the rest as a final short frame when the encoder
// takes one.
void EncodeAudioRemainder(TCustomFFmpeg& job, AVFormatContext* os, TOutputStreamState& ost);

}  // namespace quorbel
