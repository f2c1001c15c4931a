#include "floor/source_reader.h"

#include <stdexcept>

#include "common/av_extra.h"

namespace quorbel::bench {

SourceReader::SourceReader(const std::string& path, int threads, bool wantVideo, bool wantAudio) {
  AVFormatContext* opened = nullptr;
  Check(avformat_open_input(&opened, path.c_str(), nullptr, nullptr), "cannot open " + path);
  input_.reset(opened);
  Check(avformat_find_stream_info(input_.get(), nullptr), "cannot read the streams of " + path);
  if (wantVideo) video_ = OpenDecoder(*input_, AVMEDIA_TYPE_VIDEO, threads);
  if (wantAudio) audio_ = OpenDecoder(*input_, AVMEDIA_TYPE_AUDIO, threads);
  CheckAllocated(frame_.get(), "frame");
}

SourceReader::Decoding SourceReader::OpenDecoder(AVFormatContext& input, AVMediaType type, int threads) {
  const AVCodec* codec = nullptr;
  const int index = av_find_best_stream(&input, type, -1, -1, &codec, 0);
  if (index < 0) return {};
  Decoding decoding;
  decoding.stream = input.streams[index];
  decoding.decoder.reset(CheckAllocated(avcodec_alloc_context3(codec), "decoder"));
  Check(avcodec_parameters_to_context(decoding.decoder.get(), decoding.stream->codecpar),
        "decoder parameters");
  decoding.decoder->thread_count = threads;
  decoding.decoder->pkt_timebase = decoding.stream->time_base;
  Check(avcodec_open2(decoding.decoder.get(), codec, nullptr), "cannot open the decoder");
  return decoding;
}

void SourceReader::SendAndReceive(Decoding& decoding, const AVPacket* packet, const FrameSink& sink) {
  Check(avcodec_send_packet(decoding.decoder.get(), packet), "decoding");
  while (true) {
    const int received = avcodec_receive_frame(decoding.decoder.get(), frame_.get());
    if (received == AVERROR(EAGAIN) || received == AVERROR_EOF) return;
    Check(received, "decoding");
    sink(*frame_);
    av_frame_unref(frame_.get());
  }
}

void SourceReader::DecodeAll(const FrameSink& onVideo, const FrameSink& onAudio) {
  const PacketPtr packet = MakePacket();
  CheckAllocated(packet.get(), "packet");
  while (true) {
    const int read = av_read_frame(input_.get(), packet.get());
    if (read == AVERROR_EOF) break;
    Check(read, "reading");
    if (video_.stream != nullptr && packet->stream_index == video_.stream->index) {
      SendAndReceive(video_, packet.get(), onVideo);
    } else if (audio_.stream != nullptr && packet->stream_index == audio_.stream->index) {
      SendAndReceive(audio_, packet.get(), onAudio);
    }
    av_packet_unref(packet.get());
  }
  if (video_.decoder) SendAndReceive(video_, nullptr, onVideo);
  if (audio_.decoder) SendAndReceive(audio_, nullptr, onAudio);
}

}  // namespace quorbel::bench
