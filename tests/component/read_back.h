// Reads an output file back, packet by packet: how the tests check what a run wrote.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "base/av_ptr.h"

namespace quorbel::testing {

struct ReadBack {
  bool opened = false;
  std::vector<AVMediaType> streams;
  std::map<int, int> packets;  // by stream index

  int PacketsOf(int stream) const {
    const auto found = packets.find(stream);
    return found != packets.end() ? found->second : 0;
  }
};

inline ReadBack ReadFile(const std::string& path) {
  ReadBack result;
  AVFormatContext* raw = nullptr;
  if (avformat_open_input(&raw, path.c_str(), nullptr, nullptr) < 0) return result;
  InputFormatContextPtr context(raw);
  if (avformat_find_stream_info(context.get(), nullptr) < 0) return result;
  result.opened = true;
  for (unsigned i = 0; i < context->nb_streams; ++i) {
    result.streams.push_back(context->streams[i]->codecpar->codec_type);
  }
  PacketPtr packet = MakePacket();
  while (av_read_frame(context.get(), packet.get()) >= 0) {
    ++result.packets[packet->stream_index];
    av_packet_unref(packet.get());
  }
  return result;
}

}  // namespace quorbel::testing
