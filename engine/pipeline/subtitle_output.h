// The subtitle output path: encodes a decoded subtitle once, or twice for DVB subtitles.
//
// Not built yet: the entry point throws (see reencoding_guard.h). What the dispatcher already
// does for it: subtitle is decoded and is freed by the dispatcher after the call; pts is the
// input packet's pts in ist.Stream->time_base (AV_NOPTS_VALUE when it has none). Packets go out
// through WriteStreamPacket (encoder_output.h).
#pragma once

#include <cstdint>

#include "job/custom_ffmpeg.h"
#include "pipeline/run_tables.h"

namespace quorbel {

void EncodeSubtitle(TCustomFFmpeg& job, AVFormatContext* os, TOutputStreamState& ost, TInputStreamState& ist,
                    const AVSubtitle& subtitle, int64_t pts);

}  // namespace quorbel
