// One RAII owner per library object: unique_ptr with the library's own free function.
#pragma once

#include <memory>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
#include <libavutil/frame.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

namespace quorbel {

struct InputFormatContextDeleter {
  void operator()(AVFormatContext* context) const { avformat_close_input(&context); }
};
// A demuxer context opened by avformat_open_input.
using InputFormatContextPtr = std::unique_ptr<AVFormatContext, InputFormatContextDeleter>;

struct FormatContextDeleter {
  void operator()(AVFormatContext* context) const { avformat_free_context(context); }
};
// A context from avformat_alloc_context / avformat_alloc_output_context2 (its byte stream is
// closed separately, by whoever opened it).
using FormatContextPtr = std::unique_ptr<AVFormatContext, FormatContextDeleter>;

struct CodecContextDeleter {
  void operator()(AVCodecContext* context) const { avcodec_free_context(&context); }
};
using CodecContextPtr = std::unique_ptr<AVCodecContext, CodecContextDeleter>;

struct FrameDeleter {
  void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
using FramePtr = std::unique_ptr<AVFrame, FrameDeleter>;

struct PacketDeleter {
  void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};
using PacketPtr = std::unique_ptr<AVPacket, PacketDeleter>;

struct SwsContextDeleter {
  void operator()(SwsContext* context) const { sws_freeContext(context); }
};
using SwsContextPtr = std::unique_ptr<SwsContext, SwsContextDeleter>;

struct SwrContextDeleter {
  void operator()(SwrContext* context) const { swr_free(&context); }
};
using SwrContextPtr = std::unique_ptr<SwrContext, SwrContextDeleter>;

struct DictionaryDeleter {
  void operator()(AVDictionary* dictionary) const { av_dict_free(&dictionary); }
};
using DictionaryPtr = std::unique_ptr<AVDictionary, DictionaryDeleter>;

// Memory from av_malloc / av_strdup and friends.
struct AvFreeDeleter {
  void operator()(void* memory) const { av_free(memory); }
};
template <typename T>
using AvMemoryPtr = std::unique_ptr<T, AvFreeDeleter>;
using AvStringPtr = AvMemoryPtr<char>;

inline FramePtr MakeFrame() {
  return FramePtr(av_frame_alloc());
}
inline PacketPtr MakePacket() {
  return PacketPtr(av_packet_alloc());
}

}  // namespace quorbel
