// Reading the pictures of a converted file back, and making pictures to feed the video path.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "base/av_ptr.h"

extern "C" {
#include <libavutil/imgutils.h>
}

namespace quorbel::testing {

// One decoded picture in yuv420p.
struct Picture {
  int width = 0;
  int height = 0;
  double seconds = NAN;  // best-effort presentation time
  bool interlaced = false;
  bool topFieldFirst = false;
  std::vector<uint8_t> y, u, v;

  // Mean of a rectangle given in luma coordinates, in plane 'y', 'u' or 'v'.
  double Mean(char plane, int x, int top, int w, int h) const {
    const bool luma = plane == 'y';
    const std::vector<uint8_t>& samples = luma ? y : (plane == 'u' ? u : v);
    const int stride = luma ? width : (width + 1) / 2;
    const int shift = luma ? 0 : 1;
    double sum = 0.0;
    int count = 0;
    for (int row = top >> shift; row < (top + h) >> shift; ++row) {
      for (int column = x >> shift; column < (x + w) >> shift; ++column) {
        sum += samples[static_cast<size_t>(row * stride + column)];
        ++count;
      }
    }
    return count > 0 ? sum / count : NAN;
  }
};

struct DecodedVideo {
  bool opened = false;
  std::string codec;  // avcodec_get_name of the first video stream
  int frames = 0;
  int decodeErrors = 0;
  std::vector<Picture> pictures;  // kept when asked for
};

// Decodes the first video stream of a file.
inline DecodedVideo DecodeVideo(const std::string& path, bool keepPictures = true) {
  DecodedVideo result;
  AVFormatContext* opened = nullptr;
  if (avformat_open_input(&opened, path.c_str(), nullptr, nullptr) < 0) return result;
  const InputFormatContextPtr file(opened);
  if (avformat_find_stream_info(opened, nullptr) < 0) return result;
  const int index = av_find_best_stream(opened, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
  if (index < 0) return result;
  const AVStream* stream = opened->streams[index];
  const AVCodec* codec = avcodec_find_decoder(stream->codecpar->codec_id);
  if (codec == nullptr) return result;
  const CodecContextPtr decoder(avcodec_alloc_context3(codec));
  avcodec_parameters_to_context(decoder.get(), stream->codecpar);
  if (avcodec_open2(decoder.get(), codec, nullptr) < 0) return result;
  result.opened = true;
  result.codec = avcodec_get_name(stream->codecpar->codec_id);

  const FramePtr frame = MakeFrame();
  SwsContextPtr scaler;
  const auto receive = [&] {
    while (avcodec_receive_frame(decoder.get(), frame.get()) >= 0) {
      ++result.frames;
      if (keepPictures) {
        Picture picture;
        picture.width = frame->width;
        picture.height = frame->height;
        picture.interlaced = frame->interlaced_frame != 0;
        picture.topFieldFirst = frame->top_field_first != 0;
        if (frame->best_effort_timestamp != AV_NOPTS_VALUE)
          picture.seconds = static_cast<double>(frame->best_effort_timestamp) * av_q2d(stream->time_base);
        scaler.reset(sws_getCachedContext(
            scaler.release(), frame->width, frame->height, static_cast<AVPixelFormat>(frame->format),
            frame->width, frame->height, AV_PIX_FMT_YUV420P, SWS_POINT, nullptr, nullptr, nullptr));
        const int chromaWidth = (frame->width + 1) / 2;
        const int chromaHeight = (frame->height + 1) / 2;
        picture.y.resize(static_cast<size_t>(frame->width * frame->height));
        picture.u.resize(static_cast<size_t>(chromaWidth * chromaHeight));
        picture.v.resize(picture.u.size());
        uint8_t* planes[4] = {picture.y.data(), picture.u.data(), picture.v.data(), nullptr};
        int linesizes[4] = {frame->width, chromaWidth, chromaWidth, 0};
        sws_scale(scaler.get(), frame->data, frame->linesize, 0, frame->height, planes, linesizes);
        result.pictures.push_back(std::move(picture));
      }
      av_frame_unref(frame.get());
    }
  };
  const PacketPtr packet = MakePacket();
  while (av_read_frame(opened, packet.get()) >= 0) {
    if (packet->stream_index == index) {
      if (avcodec_send_packet(decoder.get(), packet.get()) < 0) ++result.decodeErrors;
      receive();
    }
    av_packet_unref(packet.get());
  }
  avcodec_send_packet(decoder.get(), nullptr);
  receive();
  return result;
}

// A picture of the given format and size, every byte of its planes set to `fill`.
inline FramePtr MakePicture(AVPixelFormat format, int width, int height, uint8_t fill = 128) {
  FramePtr frame = MakeFrame();
  frame->format = format;
  frame->width = width;
  frame->height = height;
  EXPECT_GE(av_frame_get_buffer(frame.get(), 0), 0);
  for (int p = 0; p < 4 && frame->buf[p] != nullptr; ++p)
    std::memset(frame->buf[p]->data, fill, frame->buf[p]->size);
  return frame;
}

// Converts a picture to another format (the same size) with the scaler library.
inline FramePtr ConvertPicture(const AVFrame& source, AVPixelFormat format) {
  FramePtr converted = MakePicture(format, source.width, source.height);
  const SwsContextPtr scaler(sws_getContext(source.width, source.height,
                                            static_cast<AVPixelFormat>(source.format), source.width,
                                            source.height, format, SWS_POINT, nullptr, nullptr, nullptr));
  EXPECT_NE(scaler, nullptr);
  if (scaler) {
    sws_scale(scaler.get(), source.data, source.linesize, 0, source.height, converted->data,
              converted->linesize);
  }
  return converted;
}

}  // namespace quorbel::testing
