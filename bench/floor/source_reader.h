// Reading the source: demuxing and decoding the first video and the first audio stream, with
// the codec thread count of the run.
#pragma once

#include <functional>
#include <string>

#include "base/av_ptr.h"

namespace quorbel::bench {

class SourceReader {
 public:
  // Throws std::runtime_error when the file cannot be read or a wanted stream cannot be decoded.
  SourceReader(const std::string& path, int threads, bool wantVideo, bool wantAudio);

  // Null when the stream is absent or not wanted.
  const AVCodecContext* VideoDecoder() const { return video_.decoder.get(); }
  const AVCodecContext* AudioDecoder() const { return audio_.decoder.get(); }
  const AVStream* VideoStream() const { return video_.stream; }

  using FrameSink = std::function<void(const AVFrame&)>;
  // Decodes the whole file, hands every frame to the sink of its stream, then drains the
  // decoders into the sinks.
  void DecodeAll(const FrameSink& onVideo, const FrameSink& onAudio);

 private:
  struct Decoding {
    AVStream* stream = nullptr;
    CodecContextPtr decoder;
  };
  static Decoding OpenDecoder(AVFormatContext& input, AVMediaType type, int threads);
  void SendAndReceive(Decoding& decoding, const AVPacket* packet, const FrameSink& sink);

  InputFormatContextPtr input_;
  Decoding video_;
  Decoding audio_;
  FramePtr frame_ = MakeFrame();
};

}  // namespace quorbel::bench
