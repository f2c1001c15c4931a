// Decodes a converted file in full: for its first video and first audio stream, the codec, what
// the decoded frames hold and how many there were. How the tests see what a conversion wrote.
#pragma once

#include <string>

#include "base/av_ptr.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

namespace quorbel::app::testing {

struct DecodedStream {
  std::string codec;  // avcodec_get_name; empty when the file has no such stream
  int frames = 0;     // frames decoded
  int errors = 0;     // packets or frames the decoder refused
  int width = 0;      // video: of the first decoded picture
  int height = 0;
  int sampleRate = 0;  // audio: of the first decoded frame
  int channels = 0;
};

struct DecodedFile {
  bool opened = false;
  DecodedStream video;
  DecodedStream audio;
};

namespace detail {

struct StreamDecoder {
  int index = -1;
  CodecContextPtr context;
  DecodedStream* result = nullptr;

  void Open(AVFormatContext* file, AVMediaType type, DecodedStream& out) {
    index = av_find_best_stream(file, type, -1, -1, nullptr, 0);
    if (index < 0) return;
    const AVCodecParameters* parameters = file->streams[index]->codecpar;
    out.codec = avcodec_get_name(parameters->codec_id);
    result = &out;
    const AVCodec* codec = avcodec_find_decoder(parameters->codec_id);
    context.reset(codec != nullptr ? avcodec_alloc_context3(codec) : nullptr);
    if (!context || avcodec_parameters_to_context(context.get(), parameters) < 0 ||
        avcodec_open2(context.get(), codec, nullptr) < 0) {
      context.reset();
      ++out.errors;
    }
  }

  // Sends `packet` (nullptr: the end) and takes every frame the decoder has.
  void Decode(const AVPacket* packet, AVFrame* frame) {
    if (!context) return;
    if (avcodec_send_packet(context.get(), packet) < 0) ++result->errors;
    for (;;) {
      const int status = avcodec_receive_frame(context.get(), frame);
      if (status == AVERROR(EAGAIN) || status == AVERROR_EOF) return;
      if (status < 0) {
        ++result->errors;
        return;
      }
      if (result->frames++ == 0) {
        result->width = frame->width;
        result->height = frame->height;
        result->sampleRate = frame->sample_rate;
        result->channels = frame->ch_layout.nb_channels;
      }
      av_frame_unref(frame);
    }
  }
};

}  // namespace detail

inline DecodedFile DecodeFile(const std::string& path) {
  DecodedFile result;
  AVFormatContext* raw = nullptr;
  if (avformat_open_input(&raw, path.c_str(), nullptr, nullptr) < 0) return result;
  InputFormatContextPtr file(raw);
  if (avformat_find_stream_info(file.get(), nullptr) < 0) return result;
  result.opened = true;
  detail::StreamDecoder video;
  detail::StreamDecoder audio;
  video.Open(file.get(), AVMEDIA_TYPE_VIDEO, result.video);
  audio.Open(file.get(), AVMEDIA_TYPE_AUDIO, result.audio);
  PacketPtr packet = MakePacket();
  FramePtr frame = MakeFrame();
  while (av_read_frame(file.get(), packet.get()) >= 0) {
    if (packet->stream_index == video.index) video.Decode(packet.get(), frame.get());
    if (packet->stream_index == audio.index) audio.Decode(packet.get(), frame.get());
    av_packet_unref(packet.get());
  }
  video.Decode(nullptr, frame.get());
  audio.Decode(nullptr, frame.get());
  return result;
}

}  // namespace quorbel::app::testing
