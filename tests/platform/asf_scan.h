// What libavformat's ASF demuxer reads from a file, packet by packet, as the independent
// expectation for the reader and the filters built on it.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace quorbel::testing {

struct ScannedPacket {
  int64_t timeHns;  // presentation time, or decoding time when there is none, in 100 ns
  bool key;
  int size;
};

struct ScannedStream {
  bool video = false;
  uint32_t codecTag = 0;
  int width = 0;
  int height = 0;
  int channels = 0;
  int sampleRate = 0;
  std::vector<uint8_t> extradata;
  std::vector<ScannedPacket> packets;
  int maxSize = 0;
};

struct ScannedFile {
  bool opened = false;
  std::map<int, ScannedStream> streams;  // by ASF stream number
  std::size_t PacketCount() const;
};

ScannedFile ScanAsf(const std::string& path);

// A copy of the first bytes of a file, written to a temporary file whose path is returned.
std::string TruncatedCopy(const std::string& path, std::size_t bytes);

}  // namespace quorbel::testing
