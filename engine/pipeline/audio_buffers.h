// The audio path's memory of one job: work buffers that only grow, so a steady run allocates
// nothing, and what each re-encoded audio stream needs to hand frames to its encoder.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "base/av_ptr.h"

namespace quorbel {

// Frames in an encoder's own sample format, for one output stream.
struct AudioEncoderInput {
  int32_t FileIndex = 0;  // the output stream served
  int32_t StreamIndex = 0;
  // What the frame and the formatter were made for.
  int32_t Format = -1;  // AVSampleFormat
  int32_t SampleRate = 0;
  int32_t Channels = 0;
  SwrContextPtr Formatter;    // interleaved s16 -> Format; none when the encoder takes s16
  FramePtr Frame;             // reused while the encoder holds no reference to it
  int32_t FrameCapacity = 0;  // samples per channel the frame's buffers hold
  // The earliest pts (encoder samples) the next frame may take, so the encoder and the
  // multiplexer never see time run backwards; none before the first frame.
  int64_t NextPts = AV_NOPTS_VALUE;
};

struct AudioBuffers {
  std::vector<uint8_t> WorkBuffer;     // resampled samples; then the s16 samples of each frame
  std::vector<uint8_t> SilenceBuffer;  // inserted silence followed by the block
  std::vector<std::unique_ptr<AudioEncoderInput>> Encoders;
};

}  // namespace quorbel
