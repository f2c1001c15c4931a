#include "floor/encoder_setup.h"

#include <stdexcept>

#include "common/av_extra.h"

extern "C" {
#include <libavutil/opt.h>
}

namespace quorbel::bench {

CodecContextPtr NewEncoder(const std::string& name, const std::string& formatName) {
  const AVCodec* codec = avcodec_find_encoder_by_name(name.c_str());
  if (codec == nullptr) throw std::runtime_error("unknown encoder '" + name + "'");
  CodecContextPtr encoder(CheckAllocated(avcodec_alloc_context3(codec), "encoder"));
  const AVOutputFormat* format = av_guess_format(formatName.c_str(), nullptr, nullptr);
  if (format != nullptr && (format->flags & AVFMT_GLOBALHEADER) != 0)
    encoder->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  return encoder;
}

void OpenEncoder(AVCodecContext& encoder, const std::map<std::string, std::string>& options, int threads) {
  for (const auto& [name, value] : options) {
    Check(av_opt_set(&encoder, name.c_str(), value.c_str(), AV_OPT_SEARCH_CHILDREN),
          "encoder option " + name);
  }
  if (encoder.rc_initial_buffer_occupancy == 0)
    encoder.rc_initial_buffer_occupancy = encoder.rc_buffer_size * 3 / 4;
  encoder.thread_count = threads;
  Check(avcodec_open2(&encoder, encoder.codec, nullptr),
        std::string("cannot open the encoder ") + encoder.codec->name);
}

void EncodeAndDiscard(AVCodecContext& encoder, const AVFrame* frame, AVPacket& packet,
                      EncodedTotals& totals) {
  Check(avcodec_send_frame(&encoder, frame), "encoding");
  while (true) {
    const int received = avcodec_receive_packet(&encoder, &packet);
    if (received == AVERROR(EAGAIN) || received == AVERROR_EOF) return;
    Check(received, "encoding");
    ++totals.packets;
    totals.bytes += packet.size;
    av_packet_unref(&packet);
  }
}

}  // namespace quorbel::bench
