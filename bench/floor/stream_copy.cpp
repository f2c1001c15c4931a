#include "floor/stream_copy.h"

#include <vector>

#include "base/av_ptr.h"
#include "common/av_extra.h"

namespace quorbel::bench {

CopyTotals CopyStreams(const std::string& input, const std::string& output) {
  AVFormatContext* opened = nullptr;
  Check(avformat_open_input(&opened, input.c_str(), nullptr, nullptr), "cannot open " + input);
  const InputFormatContextPtr source(opened);
  Check(avformat_find_stream_info(source.get(), nullptr), "cannot read the streams of " + input);

  AVFormatContext* allocated = nullptr;
  Check(avformat_alloc_output_context2(&allocated, nullptr, nullptr, output.c_str()),
        "cannot write " + output);
  const OutputFilePtr target(allocated);
  // Source stream index -> output stream index, -1 for streams not copied.
  std::vector<int> mapping(source->nb_streams, -1);
  for (const AVMediaType type : {AVMEDIA_TYPE_VIDEO, AVMEDIA_TYPE_AUDIO}) {
    const int index = av_find_best_stream(source.get(), type, -1, -1, nullptr, 0);
    if (index < 0) continue;
    const AVStream* from = source->streams[index];
    AVStream* to = CheckAllocated(avformat_new_stream(target.get(), nullptr), "stream");
    Check(avcodec_parameters_copy(to->codecpar, from->codecpar), "stream parameters");
    to->codecpar->codec_tag = 0;
    to->time_base = from->time_base;
    to->sample_aspect_ratio = from->sample_aspect_ratio;
    mapping[index] = to->index;
  }
  if ((target->oformat->flags & AVFMT_NOFILE) == 0)
    Check(avio_open(&target->pb, output.c_str(), AVIO_FLAG_WRITE), "cannot create " + output);
  Check(avformat_write_header(target.get(), nullptr), "cannot write the header of " + output);

  CopyTotals totals;
  const PacketPtr packet = MakePacket();
  CheckAllocated(packet.get(), "packet");
  while (true) {
    const int read = av_read_frame(source.get(), packet.get());
    if (read == AVERROR_EOF) break;
    Check(read, "reading");
    const int to = mapping[static_cast<size_t>(packet->stream_index)];
    if (to < 0) {
      av_packet_unref(packet.get());
      continue;
    }
    av_packet_rescale_ts(packet.get(), source->streams[packet->stream_index]->time_base,
                         target->streams[to]->time_base);
    packet->stream_index = to;
    packet->pos = -1;
    ++totals.packets;
    totals.bytes += packet->size;
    Check(av_interleaved_write_frame(target.get(), packet.get()), "writing");
  }
  Check(av_write_trailer(target.get()), "cannot finish " + output);
  return totals;
}

}  // namespace quorbel::bench
