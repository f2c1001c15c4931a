// The video chain: frame-rate sync, scaling (bicubic, as the engine's default) and the encoder.
#pragma once

#include "base/av_ptr.h"
#include "floor/encoder_setup.h"
#include "floor/floor_settings.h"

namespace quorbel::bench {

class VideoChain {
 public:
  VideoChain(const FloorSettings& settings, const AVCodecContext& decoder, const AVStream& source);

  void Encode(const AVFrame& decoded);
  // Drains the encoder.
  void Finish();
  int64_t FramesEncoded() const { return nextPts_; }
  const EncodedTotals& Totals() const { return totals_; }

 private:
  const AVFrame& Converted(const AVFrame& decoded);

  CodecContextPtr encoder_;
  SwsContextPtr scaler_;  // null when the picture needs no conversion
  FramePtr scaled_ = MakeFrame();
  FramePtr sent_ = MakeFrame();
  PacketPtr packet_ = MakePacket();
  AVRational sourceTimeBase_;
  int64_t sourceStart_;
  int64_t nextPts_ = 0;  // in the encoder's time base, one per frame
  EncodedTotals totals_;
};

}  // namespace quorbel::bench
