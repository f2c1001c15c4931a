#include "pipeline/video_sync.h"

#include <algorithm>
#include <cmath>

namespace quorbel {

namespace {

// A frame is dropped or duplicated only when the clocks are this many frames apart.
constexpr double kSyncTolerance = 1.1;
// Automatic control stops at encoder time bases this fine (1000 frames per second).
constexpr double kFinestControlledTimeBase = 0.001;

}  // namespace

VideoSyncDecision DecideVideoSync(int32_t vsync, AVRational timeBase, double syncSeconds, int64_t syncPos) {
  VideoSyncDecision decision;
  decision.syncPos = syncPos;
  if (timeBase.num <= 0 || timeBase.den <= 0) return decision;
  const double frameSeconds = av_q2d(timeBase);
  const double inputPosition = syncSeconds / frameSeconds;
  decision.controlled = vsync > 0 || (vsync < 0 && frameSeconds > kFinestControlledTimeBase);
  // Positions never go back: an encoder refuses a picture that is not later than the last one.
  const int64_t nearest = std::llrint(inputPosition);
  if (!decision.controlled) {
    decision.syncPos = std::max(nearest, syncPos);
    return decision;
  }
  const double delta = inputPosition - static_cast<double>(syncPos);
  if (delta < -kSyncTolerance) {
    decision.count = 0;
  } else if (vsync == 2) {
    if (nearest < syncPos) {
      decision.count = 0;
    } else {
      decision.syncPos = nearest;
    }
  } else if (delta > kSyncTolerance) {
    decision.count = std::llrint(delta);
  }
  return decision;
}

}  // namespace quorbel
