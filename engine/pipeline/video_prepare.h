// Video pre-processing: deinterlacing and the frame hooks (custom hook, plug-in hooks) that
// every decoded picture passes once, before it reaches the encoders of its output streams.
//
// Not built yet: the entry point throws (see reencoding_guard.h). What the dispatcher already
// does for it: decoded is the picture just received from ist's decoder (refcounted, owned by
// the dispatcher until the call returns) and ist.Pts is its time in us.
#pragma once

#include "job/custom_ffmpeg.h"
#include "pipeline/run_tables.h"

namespace quorbel {

// Returns the picture to encode: decoded itself, or a picture the job owns (hook buffer) that
// stays valid until the next call.
AVFrame* PrepareVideoFrame(TCustomFFmpeg& job, TInputStreamState& ist, AVFrame* decoded);

}  // namespace quorbel
