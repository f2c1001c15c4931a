// Converts decoded audio frames to interleaved signed 16-bit samples at the frame's own rate,
// with a chosen channel count: the form the audio path works on.
#pragma once

#include <cstdint>
#include <vector>

#include "base/av_ptr.h"

extern "C" {
#include <libavutil/channel_layout.h>
}

namespace quorbel {

class SampleConverter {
 public:
  SampleConverter() = default;
  SampleConverter(const SampleConverter&) = delete;
  SampleConverter& operator=(const SampleConverter&) = delete;
  ~SampleConverter();

  // Converts frame into `output` (grown to at least minimumBytes and as the samples need; never
  // shrunk) with `channels` channels (0: the frame's count). Returns the bytes written, or a
  // negative library error when the frame's layout cannot be converted.
  int Convert(const AVFrame& frame, int channels, size_t minimumBytes, std::vector<uint8_t>& output);

 private:
  // (Re)creates the converter when the frame's format, rate or layout differs from the last one.
  int Prepare(const AVFrame& frame, int channels);

  SwrContextPtr converter_;
  int format_ = -1;
  int rate_ = 0;
  int channels_ = 0;
  AVChannelLayout layout_{};  // the input layout the converter was made for
};

}  // namespace quorbel
