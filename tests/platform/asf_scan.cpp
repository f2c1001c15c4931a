#include "asf_scan.h"

#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <iterator>

#include "base/av_ptr.h"

namespace quorbel::testing {

std::size_t ScannedFile::PacketCount() const {
  std::size_t count = 0;
  for (const auto& [number, stream] : streams) count += stream.packets.size();
  return count;
}

ScannedFile ScanAsf(const std::string& path) {
  ScannedFile file;
  AVFormatContext* raw = nullptr;
  if (avformat_open_input(&raw, path.c_str(), av_find_input_format("asf"), nullptr) < 0) return file;
  InputFormatContextPtr context(raw);
  file.opened = true;
  for (unsigned i = 0; i < context->nb_streams; ++i) {
    const AVCodecParameters& codec = *context->streams[i]->codecpar;
    ScannedStream& stream = file.streams[context->streams[i]->id];
    stream.video = codec.codec_type == AVMEDIA_TYPE_VIDEO;
    stream.codecTag = codec.codec_tag;
    stream.width = codec.width;
    stream.height = codec.height;
    stream.channels = codec.ch_layout.nb_channels;
    stream.sampleRate = codec.sample_rate;
    stream.extradata.assign(codec.extradata, codec.extradata + codec.extradata_size);
  }
  PacketPtr packet = MakePacket();
  while (av_read_frame(context.get(), packet.get()) >= 0) {
    const AVStream& avStream = *context->streams[packet->stream_index];
    ScannedStream& stream = file.streams[avStream.id];
    const int64_t timestamp = packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
    stream.packets.push_back(
        ScannedPacket{av_rescale_q(timestamp, avStream.time_base, AVRational{1, 10000000}),
                      (packet->flags & AV_PKT_FLAG_KEY) != 0, packet->size});
    stream.maxSize = std::max(stream.maxSize, packet->size);
    av_packet_unref(packet.get());
  }
  return file;
}

std::string TruncatedCopy(const std::string& path, std::size_t bytes) {
  std::ifstream in(path, std::ios::binary);
  std::vector<char> content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  content.resize(std::min(bytes, content.size()));
  char name[] = "/tmp/quorbel-truncated-XXXXXX";
  const int fd = ::mkstemp(name);
  if (fd < 0) return {};
  ::close(fd);
  std::ofstream(name, std::ios::binary).write(content.data(), static_cast<std::streamsize>(content.size()));
  return name;
}

}  // namespace quorbel::testing
