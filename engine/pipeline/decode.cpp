#include "pipeline/decode.h"

#include <algorithm>
#include <new>

#include "base/text.h"
#include "pipeline/pipeline_owners.h"
#include "pipeline/run_setup.h"

namespace quorbel {

namespace {

class SubtitleRelease {
 public:
  explicit SubtitleRelease(AVSubtitle* subtitle) : subtitle_(subtitle) {}
  ~SubtitleRelease() { avsubtitle_free(subtitle_); }
  SubtitleRelease(const SubtitleRelease&) = delete;
  SubtitleRelease& operator=(const SubtitleRelease&) = delete;

 private:
  AVSubtitle* subtitle_;
};

// Converts an audio frame into the job's sample buffer; false when it cannot be converted.
bool TakeSamples(TCustomFFmpeg& job, TInputStreamState& ist, const AVPacket* packet, const AVFrame& frame,
                 DecodedData& data) {
  const int channels = ist.RequestedChannels > 0 ? ist.RequestedChannels : frame.ch_layout.nb_channels;
  const size_t minimum =
      std::max<size_t>(packet != nullptr ? 2 * static_cast<size_t>(packet->size) : 0, kMinDecodeSamplesBytes);
  const int bytes = ist.Samples.Convert(frame, channels, minimum, job.run.DecodeSamples);
  if (bytes < 0) return false;
  data.samples = job.run.DecodeSamples.data();
  data.sizeBytes = bytes;
  if (bytes > 0) ist.NextPts += int64_t{500000} * bytes / (int64_t{frame.sample_rate} * channels);
  return true;
}

int DecodeFrames(TCustomFFmpeg& job, TInputStreamState& ist, const AVPacket* packet,
                 const DecodedSink& deliver) {
  AVCodecContext* dec = ist.Decoder();
  const int sent = avcodec_send_packet(dec, packet);
  if (sent < 0 && sent != AVERROR_EOF) return -1;
  if (!ist.DecodedFrame) {
    ist.DecodedFrame = MakeFrame();
    if (!ist.DecodedFrame) throw std::bad_alloc();
  }
  AVFrame* frame = ist.DecodedFrame.get();
  for (int count = 0;; ++count) {
    const int received = avcodec_receive_frame(dec, frame);
    if (received == AVERROR(EAGAIN) || received == AVERROR_EOF) return 0;
    if (received < 0) return -1;
    const FrameUnref release(frame);
    // The clock follows the packet that carried this frame, not the one just sent: with frame
    // threads the two are several packets apart.
    if (frame->pkt_dts != AV_NOPTS_VALUE && frame->pkt_dts != ist.LastFramePacketDts) {
      ist.LastFramePacketDts = frame->pkt_dts;
      ist.NextPts = av_rescale_q(frame->pkt_dts, ist.Stream->time_base, AV_TIME_BASE_Q);
    }
    ist.Pts = ist.NextPts;
    if (packet != nullptr && count > 0 && job.Verbosity() > 0) {
      job.Log(0, StrPrintf("Multiple frames in a packet from stream %d", packet->stream_index));
    }
    DecodedData data;
    if (dec->codec_type == AVMEDIA_TYPE_AUDIO) {
      if (!TakeSamples(job, ist, packet, *frame, data)) return -1;
      if (data.sizeBytes == 0) continue;
    } else {
      ist.Quality = static_cast<float>(frame->quality);
      const AVRational frameTime = DecoderTimeBase(ist.Stream);
      if (frameTime.num != 0) ist.NextPts += int64_t{1000000} * frameTime.num / frameTime.den;
      data.picture = frame;
    }
    deliver(data);
  }
}

int DecodeSubtitle(TInputStreamState& ist, const AVPacket* packet, const DecodedSink& deliver) {
  // Subtitle decoders hold nothing back to drain.
  if (packet == nullptr) return 0;
  ist.Pts = ist.NextPts;
  AVSubtitle subtitle{};
  int got = 0;
  if (avcodec_decode_subtitle2(ist.Decoder(), &subtitle, &got, const_cast<AVPacket*>(packet)) < 0) return -1;
  if (got == 0) return 0;
  const SubtitleRelease release(&subtitle);
  DecodedData data;
  data.subtitle = &subtitle;
  deliver(data);
  return 0;
}

}  // namespace

int DecodePacket(TCustomFFmpeg& job, TInputStreamState& ist, const AVPacket* packet,
                 const DecodedSink& deliver) {
  switch (ist.Decoder()->codec_type) {
    case AVMEDIA_TYPE_AUDIO:
    case AVMEDIA_TYPE_VIDEO:
      return DecodeFrames(job, ist, packet, deliver);
    case AVMEDIA_TYPE_SUBTITLE:
      return DecodeSubtitle(ist, packet, deliver);
    default:
      return -1;
  }
}

}  // namespace quorbel
