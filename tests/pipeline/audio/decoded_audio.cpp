#include "decoded_audio.h"

extern "C" {
#include <libavutil/channel_layout.h>
}

namespace quorbel::testing {

namespace {

// Appends the frame, converted to interleaved s16 at its own rate and channel count.
bool Append(SwrContextPtr& converter, AVFrame& frame, DecodedAudio& audio) {
  if (!converter) {
    SwrContext* made = nullptr;
    AVChannelLayout layout{};
    av_channel_layout_default(&layout, frame.ch_layout.nb_channels);
    const int result =
        swr_alloc_set_opts2(&made, &layout, AV_SAMPLE_FMT_S16, frame.sample_rate, &frame.ch_layout,
                            static_cast<AVSampleFormat>(frame.format), frame.sample_rate, 0, nullptr);
    converter.reset(made);
    if (result < 0 || swr_init(made) < 0) return false;
  }
  const size_t start = audio.samples.size();
  audio.samples.resize(start + static_cast<size_t>(frame.nb_samples) * static_cast<size_t>(audio.channels));
  auto* destination = reinterpret_cast<uint8_t*>(audio.samples.data() + start);
  const int converted = swr_convert(converter.get(), &destination, frame.nb_samples,
                                    const_cast<const uint8_t**>(frame.extended_data), frame.nb_samples);
  if (converted < 0) return false;
  audio.samples.resize(start + static_cast<size_t>(converted) * static_cast<size_t>(audio.channels));
  return true;
}

}  // namespace

DecodedAudio DecodeAudio(const std::string& path) {
  DecodedAudio audio;
  AVFormatContext* opened = nullptr;
  if (avformat_open_input(&opened, path.c_str(), nullptr, nullptr) < 0) return audio;
  const InputFormatContextPtr file(opened);
  if (avformat_find_stream_info(opened, nullptr) < 0) return audio;
  const int index = av_find_best_stream(opened, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
  if (index < 0) return audio;
  const AVStream* stream = opened->streams[index];
  const AVCodec* codec = avcodec_find_decoder(stream->codecpar->codec_id);
  if (codec == nullptr) return audio;
  const CodecContextPtr decoder(avcodec_alloc_context3(codec));
  if (avcodec_parameters_to_context(decoder.get(), stream->codecpar) < 0) return audio;
  decoder->pkt_timebase = stream->time_base;
  if (avcodec_open2(decoder.get(), codec, nullptr) < 0) return audio;
  audio.opened = true;
  audio.codec = avcodec_get_name(stream->codecpar->codec_id);
  audio.sampleRate = stream->codecpar->sample_rate;
  audio.channels = stream->codecpar->ch_layout.nb_channels;

  SwrContextPtr converter;
  const FramePtr frame = MakeFrame();
  const auto receive = [&] {
    while (avcodec_receive_frame(decoder.get(), frame.get()) >= 0) {
      if (std::isnan(audio.startSeconds) && frame->best_effort_timestamp != AV_NOPTS_VALUE) {
        audio.startSeconds = static_cast<double>(frame->best_effort_timestamp) * av_q2d(stream->time_base);
      }
      if (!Append(converter, *frame, audio)) ++audio.decodeErrors;
      av_frame_unref(frame.get());
    }
  };
  const PacketPtr packet = MakePacket();
  while (av_read_frame(opened, packet.get()) >= 0) {
    if (packet->stream_index == index) {
      if (avcodec_send_packet(decoder.get(), packet.get()) < 0) ++audio.decodeErrors;
      receive();
    }
    av_packet_unref(packet.get());
  }
  avcodec_send_packet(decoder.get(), nullptr);
  receive();
  if (std::isnan(audio.startSeconds)) audio.startSeconds = 0.0;
  return audio;
}

}  // namespace quorbel::testing
