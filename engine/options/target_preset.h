// Target presets: one step that configures a job's output for a disc standard ("vcd", "svcd",
// "dvd") or DV ("dv", "dv50") through the ordinary option handlers, so later options can still
// change every value it sets.
#pragma once

#include <string>

#include "job/custom_ffmpeg.h"

namespace quorbel {

// norm: "pal", "ntsc", "film", anything else decides from the frame rate and the inputs' video
// streams, falling back to fallbackNorm ("film", "ntsc", anything else PAL). Throws
// FFMpegException "frame_rate is invalid." (automatic norm without a frame rate) and
// "Unknown target type".
void ApplyTargetPreset(TCustomFFmpeg& job, const std::string& type, const std::string& norm,
                       const std::string& fallbackNorm);

// The option "target": a type optionally prefixed by "pal-", "ntsc-" or "film-"; fallback NTSC.
void SetTargetOption(TCustomFFmpeg& job, const std::string& value);

}  // namespace quorbel
