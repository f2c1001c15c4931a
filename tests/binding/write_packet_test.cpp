#include "binding/write_packet.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <memory>
#include <vector>

#include "base/av_ptr.h"
#include "quorbel/exceptions.h"

namespace quorbel {
namespace {

// Where the muxer's bytes go: kept, or refused with an I/O error.
struct Sink {
  std::vector<uint8_t> bytes;
  bool refuse = false;
};

int WriteToSink(void* opaque, uint8_t* data, int size) {
  auto* sink = static_cast<Sink*>(opaque);
  if (sink->refuse) return AVERROR(EIO);
  sink->bytes.insert(sink->bytes.end(), data, data + size);
  return size;
}

struct ByteStreamDeleter {
  void operator()(AVIOContext* context) const {
    av_freep(&context->buffer);
    avio_context_free(&context);
  }
};

// A one-stream raw data file written into a Sink through a small buffer, so that a packet
// reaches the sink while it is being written.
class WritePacketTest : public testing::Test {
 protected:
  void SetUp() override {
    AVFormatContext* raw = nullptr;
    ASSERT_GE(avformat_alloc_output_context2(&raw, nullptr, "data", nullptr), 0);
    file_.reset(raw);
    AVStream* stream = avformat_new_stream(file_.get(), nullptr);
    ASSERT_NE(stream, nullptr);
    stream->codecpar->codec_type = AVMEDIA_TYPE_DATA;
    stream->time_base = AVRational{1, 1000};
    constexpr int kBufferBytes = 16;
    auto* buffer = static_cast<unsigned char*>(av_malloc(kBufferBytes));
    ASSERT_NE(buffer, nullptr);
    bytes_.reset(avio_alloc_context(buffer, kBufferBytes, 1, &sink_, nullptr, WriteToSink, nullptr));
    ASSERT_TRUE(bytes_);
    file_->pb = bytes_.get();
    file_->flags |= AVFMT_FLAG_CUSTOM_IO;
    ASSERT_GE(avformat_write_header(file_.get(), nullptr), 0);
  }

  PacketPtr Payload(int streamIndex) {
    PacketPtr packet = MakePacket();
    EXPECT_GE(av_new_packet(packet.get(), 4096), 0);
    for (int i = 0; i < packet->size; ++i) packet->data[i] = static_cast<uint8_t>(i * 7);
    packet->stream_index = streamIndex;
    packet->pts = packet->dts = 0;
    return packet;
  }

  std::string WriteFailure(AVPacket* packet) {
    try {
      WritePacket(file_.get(), packet);
    } catch (const FFMpegException& e) {
      return e.what();
    }
    return "";
  }

  Sink sink_;
  std::unique_ptr<AVIOContext, ByteStreamDeleter> bytes_;  // outlives file_: declared first
  FormatContextPtr file_;
};

TEST_F(WritePacketTest, WritesThePacketThroughTheMuxer) {
  const PacketPtr packet = Payload(0);
  const std::vector<uint8_t> payload(packet->data, packet->data + packet->size);
  WritePacket(file_.get(), packet.get());
  ASSERT_GE(av_write_trailer(file_.get()), 0);
  avio_flush(bytes_.get());
  EXPECT_EQ(sink_.bytes, payload);
  av_packet_unref(packet.get());  // the caller's to release, whatever the muxer did with it
}

TEST_F(WritePacketTest, IoErrorBecomesTheRunsError) {
  sink_.refuse = true;
  const PacketPtr packet = Payload(0);
  EXPECT_EQ(WriteFailure(packet.get()),
            "av_interleaved_write_frame(): I/O error occurred\r\n"
            "Usually that means that input file is truncated and/or corrupted.");
  av_packet_unref(packet.get());
}

TEST_F(WritePacketTest, RefusedPacketNamesTheOperation) {
  const PacketPtr packet = Payload(5);  // no such stream
  EXPECT_EQ(WriteFailure(packet.get()), "av_interleaved_write_frame(): Error while parsing header");
  av_packet_unref(packet.get());
}

}  // namespace
}  // namespace quorbel
