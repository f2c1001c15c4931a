// Adding encoder streams to an output file from the job's option state. Each call consumes the
// per-stream settings of its kind (disable flag, codec name, stream copy, language).
#pragma once

#include <string>
#include <vector>

#include "job/custom_ffmpeg.h"

namespace quorbel {

// Throw FFMpegException (e.g. "Could not alloc stream", "Unknown encoder 'x'",
// "error parsing rc_override"); on failure the file is left as it was.
void AddVideoStream(TCustomFFmpeg& job, OutputFile& file);
void AddAudioStream(TCustomFFmpeg& job, OutputFile& file);
void AddSubtitleStream(TCustomFFmpeg& job, OutputFile& file);

// "newvideo", "newaudio", "newsubtitle": a stream of that kind for the last output file.
void AddStreamToLastOutput(TCustomFFmpeg& job, AVMediaType type);

// "start,end,q/start,end,q..." -> override entries (q > 0: quantiser q; q <= 0: quality factor
// -q / 100). Throws FFMpegException "error parsing rc_override".
std::vector<RcOverride> ParseRcOverride(const std::string& text);

}  // namespace quorbel
