// The subtitle output path: encodes a decoded subtitle once, or, for DVB subtitles, into a
// packet that shows it and a packet that clears it.
//
// subtitle is decoded and is freed by the dispatcher after the call; pts is the input packet's
// pts in ist.Stream->time_base (AV_NOPTS_VALUE when it has none). Packets go out through
// WriteStreamPacket (encoder_output.h).
#pragma once

#include <cstdint>

#include "job/custom_ffmpeg.h"
#include "pipeline/run_tables.h"

namespace quorbel {

// The packet is placed at pts plus the subtitle's start display time, rescaled to the output
// stream's time base. A DVB subtitle's clearing packet is due at its end display time; it is
// written when the stream's next subtitle comes (moved just before it when it would come later:
// a stream's packets must follow each other in time) or at the end of the run. Logs "Subtitle
// packets must have a pts" at level 0 and skips the subtitle when pts has no value; throws
// FFMpegException "Subtitle encoding failed" when the encoder fails.
void EncodeSubtitle(TCustomFFmpeg& job, AVFormatContext* os, TOutputStreamState& ost, TInputStreamState& ist,
                    const AVSubtitle& subtitle, int64_t pts);

// End of the run: writes the stream's clearing packet that is still due, no later than the end
// of the file's other streams.
void FinishSubtitles(TCustomFFmpeg& job, const RunTables& tables, AVFormatContext* os,
                     TOutputStreamState& ost);

}  // namespace quorbel
