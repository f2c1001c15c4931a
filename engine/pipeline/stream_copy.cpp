#include "pipeline/stream_copy.h"

#include <new>

#include "base/text.h"
#include "pipeline/encoder_output.h"
#include "quorbel/exceptions.h"

namespace quorbel {

namespace {

[[noreturn]] void ThrowHeaderInsertionFailed(const TOutputStreamState& ost) {
  throw FFMpegException(
      StrPrintf("Cannot insert the stream headers of output stream #%d.%d", ost.FileIndex, ost.StreamIndex));
}

void WriteWithHeaders(AVFormatContext* os, TOutputStreamState& ost, AVPacket* packet) {
  AVBSFContext* inserter = ost.HeaderInserter.get();
  if (av_bsf_send_packet(inserter, packet) < 0) ThrowHeaderInsertionFailed(ost);
  while (true) {
    const int received = av_bsf_receive_packet(inserter, packet);
    if (received == AVERROR(EAGAIN) || received == AVERROR_EOF) return;
    if (received < 0) ThrowHeaderInsertionFailed(ost);
    const PacketUnref release(packet);
    WriteStreamPacket(os, ost, packet);
  }
}

}  // namespace

void CopyPacket(TCustomFFmpeg& job, AVFormatContext* os, TOutputStreamState& ost,
                const TInputStreamState& ist, const AVPacket& packet) {
  // A decoder could not start from what comes before the first key packet.
  if (ost.FrameNumber == 0 && (packet.flags & AV_PKT_FLAG_KEY) == 0) return;
  switch (ist.Stream->codecpar->codec_type) {
    case AVMEDIA_TYPE_AUDIO:
      job.run.AudioBytes += packet.size;
      break;
    case AVMEDIA_TYPE_VIDEO:
      job.run.VideoBytes += packet.size;
      ++ost.SyncPos;
      break;
    default:
      break;
  }
  AVPacket* output = OutputPacketOf(ost);
  if (av_packet_ref(output, &packet) < 0) throw std::bad_alloc();
  const PacketUnref release(output);
  const AVRational from = ist.Stream->time_base;
  const AVRational to = ost.Stream->time_base;
  output->stream_index = ost.StreamIndex;
  output->pts = packet.pts == AV_NOPTS_VALUE ? AV_NOPTS_VALUE : av_rescale_q(packet.pts, from, to);
  output->dts = packet.dts == AV_NOPTS_VALUE ? av_rescale_q(ist.Pts, AV_TIME_BASE_Q, to)
                                             : av_rescale_q(packet.dts, from, to);
  output->duration = av_rescale_q(packet.duration, from, to);
  output->time_base = to;
  output->pos = -1;
  if (ost.HeaderInserter) {
    WriteWithHeaders(os, ost, output);
  } else {
    WriteStreamPacket(os, ost, output);
  }
  ++ost.FrameNumber;
}

}  // namespace quorbel
