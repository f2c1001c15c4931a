// Reading an output's audio back: the first audio stream decoded to interleaved signed 16-bit
// samples at its own rate and channel count, with the time of its first sample, and measures of
// the generated fixtures' content on it (levels, the silent gap at each whole second).
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/av_ptr.h"

namespace quorbel::testing {

struct DecodedAudio {
  bool opened = false;
  std::string codec;  // avcodec_get_name
  int sampleRate = 0;
  int channels = 0;
  double startSeconds = NAN;  // time of the first decoded sample
  int decodeErrors = 0;
  std::vector<int16_t> samples;  // interleaved

  int64_t Frames() const { return channels > 0 ? static_cast<int64_t>(samples.size()) / channels : 0; }
  double Seconds() const { return sampleRate > 0 ? static_cast<double>(Frames()) / sampleRate : 0.0; }
  int16_t At(int64_t frame, int channel = 0) const {
    return samples[static_cast<size_t>(frame * channels + channel)];
  }

  // Largest magnitude over all channels.
  int Peak() const {
    int peak = 0;
    for (const int16_t sample : samples) peak = std::max(peak, std::abs(static_cast<int>(sample)));
    return peak;
  }

  // First sample frame from `from` on whose magnitude, on some channel, exceeds threshold; -1 when
  // none.
  int64_t FirstSound(int64_t from, int threshold) const {
    for (int64_t frame = std::max<int64_t>(from, 0); frame < Frames(); ++frame) {
      for (int c = 0; c < channels; ++c) {
        if (std::abs(static_cast<int>(At(frame, c))) > threshold) return frame;
      }
    }
    return -1;
  }

  // Start (s, stream time) of the first silent stretch of at least gapSeconds that begins after
  // `afterSeconds` and follows sound; NAN when there is none. The fixtures' tones fall silent for
  // the first 100 ms of each whole second.
  double SilenceAfterSound(double afterSeconds, double gapSeconds = 0.05, int threshold = 1500) const {
    const auto gap = static_cast<int64_t>(gapSeconds * sampleRate);
    int64_t quietSince = -1;
    bool sound = false;
    for (int64_t frame = std::max<int64_t>(FrameAt(afterSeconds), 0); frame < Frames(); ++frame) {
      bool quiet = true;
      for (int c = 0; c < channels; ++c)
        quiet = quiet && std::abs(static_cast<int>(At(frame, c))) <= threshold;
      if (!quiet) {
        sound = true;
        quietSince = -1;
        continue;
      }
      if (!sound) continue;
      if (quietSince < 0) quietSince = frame;
      if (frame - quietSince >= gap) return TimeOf(quietSince);
    }
    return NAN;
  }

  double TimeOf(int64_t frame) const { return startSeconds + static_cast<double>(frame) / sampleRate; }
  int64_t FrameAt(double seconds) const { return std::llround((seconds - startSeconds) * sampleRate); }
};

// Decodes the file's first audio stream; opened stays false when the file or the stream does not
// open.
DecodedAudio DecodeAudio(const std::string& path);

}  // namespace quorbel::testing
