// Stream copy: a packet of the source goes to the output stream unchanged but for its timestamps.
#pragma once

#include "job/custom_ffmpeg.h"
#include "pipeline/run_tables.h"

namespace quorbel {

// Writes packet to ost once the stream has had its first key packet: timestamps rescaled from
// the source's time base to the output stream's (a missing dts is ist.Pts), the stream's headers
// put in front of key packets when ost.HeaderInserter asks for it; counts the bytes, SyncPos
// (video) and FrameNumber. Throws FFMpegException when the multiplexer refuses the packet.
void CopyPacket(TCustomFFmpeg& job, AVFormatContext* os, TOutputStreamState& ost,
                const TInputStreamState& ist, const AVPacket& packet);

}  // namespace quorbel
