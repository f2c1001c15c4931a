// The video statistics file ("vstats", "vstats_file"): one line per encoded video frame.
//
// Not built yet: the entry point throws (see reencoding_guard.h); only re-encoded video calls it.
// The dispatcher calls it after EncodeVideo returned a non-zero size, when a statistics file
// name is set (job.settings.vstatsFileName).
#pragma once

#include "job/custom_ffmpeg.h"
#include "pipeline/run_tables.h"

namespace quorbel {

void WriteVideoStats(TCustomFFmpeg& job, AVFormatContext* os, TOutputStreamState& ost, int frameSizeBytes);

}  // namespace quorbel
