// The audio chain: one conversion (format, rate, channels) into a FIFO, whole encoder frames
// out of it, and the encoder.
#pragma once

#include "base/av_ptr.h"
#include "common/av_extra.h"
#include "floor/encoder_setup.h"
#include "floor/floor_settings.h"

namespace quorbel::bench {

class AudioChain {
 public:
  AudioChain(const FloorSettings& settings, const AVCodecContext& decoder);

  void Encode(const AVFrame& decoded);
  // Flushes the converter, encodes what is left (a short last frame) and drains the encoder.
  void Finish();
  int64_t SamplesEncoded() const { return nextPts_; }
  const EncodedTotals& Totals() const { return totals_; }

 private:
  void Convert(const uint8_t** samples, int count);
  void EncodeFromFifo(int minimum);

  CodecContextPtr encoder_;
  SwrContextPtr converter_;
  AudioFifoPtr fifo_;
  FramePtr converted_ = MakeFrame();  // the converter's output, grown as needed
  FramePtr frame_ = MakeFrame();      // one encoder frame
  PacketPtr packet_ = MakePacket();
  int frameSamples_;
  int64_t nextPts_ = 0;  // samples sent to the encoder
  EncodedTotals totals_;
};

}  // namespace quorbel::bench
