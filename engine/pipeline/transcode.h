// The transcoding pipeline of one job: from the opened inputs and created outputs of file setup
// to the written trailers.
#pragma once

#include "job/custom_ffmpeg.h"

namespace quorbel {

// Runs the job once, in the calling thread: run setup, the main loop until a stop request, the
// end of the inputs or a limit ("t", "fs", "vframes", "aframes", "shortest"), then drains the
// decoders and encoders, writes the trailers, closes the codecs and sets job.Finished (false when
// a stop was requested). Throws FFMpegException on any failure; the caller then closes what is
// still open (CloseOpenCodecs, run_cleanup.h) and releases the job's files.
void Transcode(TCustomFFmpeg& job);

}  // namespace quorbel
