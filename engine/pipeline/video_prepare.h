// Video pre-processing: deinterlacing and the frame hooks (custom hook, plug-in hooks) that
// every decoded picture passes once, before it reaches the encoders of its output streams.
//
// decoded is the picture just received from ist's decoder (owned by the dispatcher until the
// call returns) and ist.Pts its time in us. The picture is never changed in place: deinterlacing
// and the hooks work on a copy in the job's hook buffer, so reference pictures of the decoder
// stay intact. Its own width, height and pixel format are used, so a stream whose picture size
// changes is followed frame by frame (the custom hook's bitmap is resized under its canvas lock).
#pragma once

#include "job/custom_ffmpeg.h"
#include "pipeline/run_tables.h"

namespace quorbel {

// Counts the frame in job.hooks.HookFrameNumber, decides whether plug-in hooks see it (the
// before-hook callback, else the hook ranges), deinterlaces ("deinterlace") and runs the custom
// hook or the plug-in hooks. Returns decoded itself when none of this applies (or the working
// copy cannot be allocated: "hook buf malloc error."), else the job's working copy, which stays
// valid until the next call. Failures are logged at level 0 and never end the run.
AVFrame* PrepareVideoFrame(TCustomFFmpeg& job, TInputStreamState& ist, AVFrame* decoded);

}  // namespace quorbel
