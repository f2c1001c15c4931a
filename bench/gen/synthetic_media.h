// Deterministic pictures and sound with real motion and noise, so that encoders have work:
// drifting gradients, bouncing blocks and grain; two gliding tones with a little hiss.
#pragma once

#include <cstdint>

extern "C" {
#include <libavutil/frame.h>
}

namespace quorbel::bench {

// Paints picture `index` into a writable 8-bit YUV 4:2:0 frame.
void PaintPicture(AVFrame& frame, int64_t index);

// Fills a writable frame of planar float samples, the first at `firstSample`.
void FillSound(AVFrame& frame, int64_t firstSample);

}  // namespace quorbel::bench
