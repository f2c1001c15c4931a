// The custom frame hook: the job's custom-hook callback sees each frame as a 24-bit bitmap and
// may draw on it.
#pragma once

#include <cstdint>

#include "job/custom_ffmpeg.h"

namespace quorbel {

// The layout of the pictures exchanged with the custom hook.
inline constexpr AVPixelFormat kHookPixelFormat = AV_PIX_FMT_BGR24;

// Shows `working` (the job's own copy of the frame) to the custom-hook callback through the
// job's bitmap and, when the handler leaves update set, converts the bitmap back into it. A
// stop asked by the handler, or a colour conversion that cannot be had, unwires the callback
// for the rest of the job and switches plug-in hooks off. Requires a wired callback.
void RunCustomHook(TCustomFFmpeg& job, AVFrame& working, int64_t ptsUs);

}  // namespace quorbel
