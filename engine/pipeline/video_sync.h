// Frame-rate control of a re-encoded video stream: how many times a frame is emitted so that
// the output keeps the encoder's frame rate against the input clock.
#pragma once

#include <cstdint>

extern "C" {
#include <libavutil/rational.h>
}

namespace quorbel {

struct VideoSyncDecision {
  int64_t count = 1;        // times the frame is emitted: 0 drops it, more than 1 duplicates it
  int64_t syncPos = 0;      // the stream's next output frame number before the frame is emitted
  bool controlled = false;  // frame-rate control applied (drops and duplicates count only then)
};

// vsync: the "vsync" setting (-1 automatic, 0 off, 1 keep the rate, 2 drop only); timeBase: the
// encoder's; syncSeconds: the sync stream's clock minus the start time; syncPos: the stream's
// next output frame number. Control applies for vsync > 0, and for -1 when the encoder's frame
// rate is below 1000 per second; without it the position follows the input clock. The position
// never moves back: without control a frame whose time rounds to an earlier position takes the
// next free one, with vsync 2 such a frame is dropped.
VideoSyncDecision DecideVideoSync(int32_t vsync, AVRational timeBase, double syncSeconds, int64_t syncPos);

}  // namespace quorbel
