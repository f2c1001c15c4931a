#include "pipeline/encoder_output.h"

#include <algorithm>
#include <cstdio>
#include <new>

#include "binding/write_packet.h"
#include "quorbel/exceptions.h"

extern "C" {
#include <libavutil/intreadwrite.h>
}

namespace quorbel {

namespace {

// Layout of AV_PKT_DATA_QUALITY_STATS: u32le quality, u8 picture type, u8 error count,
// u16 reserved, u64le errors.
constexpr size_t kQualityStatsHeader = 8;

void KeepQualityStats(TOutputStreamState& ost, const AVPacket& packet) {
  size_t size = 0;
  const uint8_t* stats = av_packet_get_side_data(&packet, AV_PKT_DATA_QUALITY_STATS, &size);
  if (stats == nullptr || size < kQualityStatsHeader) return;
  ost.CodedQuality = static_cast<int32_t>(AV_RL32(stats));
  ost.CodedPictureType = stats[4];
  const size_t errors = std::min<size_t>({stats[5], ost.CodedError.size(), (size - kQualityStatsHeader) / 8});
  for (size_t i = 0; i < errors; ++i) {
    ost.CodedError[i] = static_cast<int64_t>(AV_RL64(stats + kQualityStatsHeader + 8 * i));
  }
}

const char* EncodingFailure(AVMediaType type) {
  switch (type) {
    case AVMEDIA_TYPE_VIDEO:
      return "Video encoding failed";
    case AVMEDIA_TYPE_AUDIO:
      return "Audio encoding failed";
    default:
      return "Subtitle encoding failed";
  }
}

}  // namespace

void WriteStreamPacket(AVFormatContext* os, TOutputStreamState& ost, AVPacket* packet) {
  const int64_t start = packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
  if (start != AV_NOPTS_VALUE) {
    const int64_t end = start + std::max<int64_t>(packet->duration, 0);
    if (ost.EndTs == AV_NOPTS_VALUE || end > ost.EndTs) ost.EndTs = end;
  }
  WritePacket(os, packet);
}

AVPacket* OutputPacketOf(TOutputStreamState& ost) {
  if (!ost.OutputPacket) {
    ost.OutputPacket = MakePacket();
    if (!ost.OutputPacket) throw std::bad_alloc();
  }
  return ost.OutputPacket.get();
}

int EncodeFrame(TCustomFFmpeg& job, AVFormatContext* os, TOutputStreamState& ost, const AVFrame* frame) {
  job.WaitWhilePaused();
  AVCodecContext* enc = ost.Encoder();
  const int sent = avcodec_send_frame(enc, frame);
  // Draining an encoder that was drained before is no failure.
  if (sent < 0 && !(frame == nullptr && sent == AVERROR_EOF))
    throw FFMpegException(EncodingFailure(enc->codec_type));
  AVPacket* packet = OutputPacketOf(ost);
  int lastSize = 0;
  while (true) {
    const int received = avcodec_receive_packet(enc, packet);
    if (received == AVERROR(EAGAIN) || received == AVERROR_EOF) break;
    if (received < 0) throw FFMpegException(EncodingFailure(enc->codec_type));
    const PacketUnref release(packet);
    packet->stream_index = ost.StreamIndex;
    KeepQualityStats(ost, *packet);
    // A coded picture lasts one frame of the encoder's time base; containers that keep sample
    // durations (MP4, 3GP) would otherwise cut the last picture off the track.
    if (enc->codec_type == AVMEDIA_TYPE_VIDEO && packet->duration == 0) packet->duration = 1;
    av_packet_rescale_ts(packet, enc->time_base, ost.Stream->time_base);
    if (enc->codec_type == AVMEDIA_TYPE_VIDEO) {
      job.run.VideoBytes += packet->size;
      if (ost.PassLogFile && enc->stats_out != nullptr) std::fputs(enc->stats_out, ost.PassLogFile.get());
    } else if (enc->codec_type == AVMEDIA_TYPE_AUDIO) {
      job.run.AudioBytes += packet->size;
    }
    lastSize = packet->size;
    WriteStreamPacket(os, ost, packet);
  }
  return lastSize;
}

void DrainEncoder(TCustomFFmpeg& job, AVFormatContext* os, TOutputStreamState& ost) {
  EncodeFrame(job, os, ost, nullptr);
}

}  // namespace quorbel
