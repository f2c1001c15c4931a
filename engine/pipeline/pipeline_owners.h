// RAII owners of the library and C-runtime objects the run tables hold.
#pragma once

#include <cstdio>
#include <memory>

extern "C" {
#include <libavcodec/bsf.h>
#include <libavcodec/packet.h>
#include <libavutil/fifo.h>
#include <libavutil/frame.h>
}

namespace quorbel {

struct FifoDeleter {
  void operator()(AVFifo* fifo) const { av_fifo_freep2(&fifo); }
};
// A byte FIFO from av_fifo_alloc2.
using FifoPtr = std::unique_ptr<AVFifo, FifoDeleter>;

struct BsfContextDeleter {
  void operator()(AVBSFContext* context) const { av_bsf_free(&context); }
};
using BsfContextPtr = std::unique_ptr<AVBSFContext, BsfContextDeleter>;

struct FileDeleter {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileDeleter>;

// Unreferences a reused packet when the scope ends, however it ends.
class PacketUnref {
 public:
  explicit PacketUnref(AVPacket* packet) : packet_(packet) {}
  ~PacketUnref() { av_packet_unref(packet_); }
  PacketUnref(const PacketUnref&) = delete;
  PacketUnref& operator=(const PacketUnref&) = delete;

 private:
  AVPacket* packet_;
};

// Unreferences a reused frame when the scope ends, however it ends.
class FrameUnref {
 public:
  explicit FrameUnref(AVFrame* frame) : frame_(frame) {}
  ~FrameUnref() { av_frame_unref(frame_); }
  FrameUnref(const FrameUnref&) = delete;
  FrameUnref& operator=(const FrameUnref&) = delete;

 private:
  AVFrame* frame_;
};

}  // namespace quorbel
