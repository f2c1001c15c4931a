// The job's side of a transcode run: byte and frame counters, the encode buffer, the registries
// of open codecs and the job's own work buffers. The job holds one; it is reset with the option
// state and released after each run (run_cleanup.h).
#pragma once

#include <cstdint>
#include <vector>

#include "base/av_ptr.h"
#include "pipeline/audio_buffers.h"
#include "pipeline/video_buffers.h"

namespace quorbel {

inline constexpr int32_t kDefaultEncodeBufferSize = 262144;

struct RunState {
  int64_t VideoBytes = 0;   // video packets produced, copied or encoded
  int64_t AudioBytes = 0;   // audio packets produced, copied or encoded
  int64_t HeaderBytes = 0;  // global headers (extra data) of the opened encoders
  int32_t DupFrames = 0;    // video frame-rate control
  int32_t DropFrames = 0;
  int64_t TimerStart = 0;  // wall clock (us) when the main loop began

  // Scratch for the encoders, at least 4 bytes per pixel of the largest video output.
  int32_t EncodeBufferSize = kDefaultEncodeBufferSize;
  AvMemoryPtr<uint8_t> EncodeBuffer;

  // Codec contexts that are open, in opening order, each as the owner slot in the job's files.
  // A run that ends by an exception leaves the rest here for CloseOpenCodecs.
  std::vector<CodecContextPtr*> OpenEncoders;
  std::vector<CodecContextPtr*> OpenDecoders;
  // Pass-2 statistics handed to encoders (stats_in); freed after the encoders are closed.
  std::vector<AvMemoryPtr<char>> PassStatistics;

  // Decoded audio as interleaved signed 16-bit samples; it only grows.
  std::vector<uint8_t> DecodeSamples;
  AudioBuffers Audio;  // the audio output path's buffers

  VideoBuffers videoBuffers;  // frame hooks, encoder input, subtitles
};

}  // namespace quorbel
