// Writes a synthetic source file: encoders and muxer of the libraries, video and audio
// interleaved by time. The file appears under its name only once it is complete.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>

extern "C" {
#include <libavutil/rational.h>
}

namespace quorbel::bench {

struct VideoTrackSettings {
  std::string codec;
  int width = 0;
  int height = 0;
  AVRational frameRate{25, 1};
  int64_t bitRate = 0;
  std::map<std::string, std::string> options;  // the encoder's named options
};

struct AudioTrackSettings {
  std::string codec;
  int sampleRate = 48000;
  int channels = 2;
  int64_t bitRate = 0;  // 0: the encoder's default
};

struct ContainerSettings {
  std::string formatName;
  std::map<std::string, std::string> options;  // the muxer's named options
};

// Throws std::runtime_error on any failure (and leaves no file under `path`).
void WriteSource(const std::string& path, const ContainerSettings& container,
                 const std::optional<VideoTrackSettings>& video, const AudioTrackSettings& audio,
                 double seconds);

}  // namespace quorbel::bench
