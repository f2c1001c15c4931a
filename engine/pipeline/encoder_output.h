// Writing the packets of one output stream: the position keeping every writer goes through, and
// the encoder round trip the re-encoding paths share (send a frame, write what comes back).
#pragma once

#include "job/custom_ffmpeg.h"
#include "pipeline/run_tables.h"

namespace quorbel {

// Writes packet (stream index and timestamps already in the output stream's terms) through the
// file's interleaving multiplexer (WritePacket) and advances ost.EndTs, the stream's output
// position. Throws FFMpegException when the multiplexer refuses it. The packet stays the
// caller's.
void WriteStreamPacket(AVFormatContext* os, TOutputStreamState& ost, AVPacket* packet);

// The packet record kept with the stream for the packets written to it (made at first use).
AVPacket* OutputPacketOf(TOutputStreamState& ost);

// Waits at the job's pause gate, sends frame (timestamps in the encoder's time base; none:
// drain the encoder) and writes every packet the encoder returns: stream index set, timestamps
// rescaled to the stream's time base, size added to VideoBytes or AudioBytes, the coded quality
// statistics kept in ost, and, for video with a pass-1 file, the encoder's statistics line
// appended to it. Returns the size of the last packet written, 0 when none. Throws
// FFMpegException "Video encoding failed" / "Audio encoding failed" / "Subtitle encoding failed"
// when the encoder fails.
int EncodeFrame(TCustomFFmpeg& job, AVFormatContext* os, TOutputStreamState& ost, const AVFrame* frame);

// Drains the stream's encoder at the end of the run: every delayed packet is written.
void DrainEncoder(TCustomFFmpeg& job, AVFormatContext* os, TOutputStreamState& ost);

}  // namespace quorbel
