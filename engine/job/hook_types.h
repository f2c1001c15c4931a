// Types of the frame-hook side of a job: what the before-hook callback may answer, the time
// ranges that gate plug-in hooks, and the bitmap the custom hook draws on.
#pragma once

#include <cstdint>

namespace quorbel {

// Whether plug-in hooks process the current frame.
enum THookAction : int32_t {
  haContinue = 0,  // plug-ins process this frame
  haIgnore = 1,    // this frame passes unprocessed; later frames are decided again
  haStop = 2,      // plug-in hooks are off for the rest of the job
};

// A span of input presentation time, both ends inclusive, in which plug-in hooks run.
struct THookRange {
  int64_t startUs = 0;
  int64_t endUs = 0;
  bool operator==(const THookRange&) const = default;
};

// The 24-bit picture handed to the custom hook; defined with the video path.
class TBitmap;

}  // namespace quorbel
