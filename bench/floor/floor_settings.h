// What one floor run does, read from the command line in the engine's option words:
//   quorbel-bench-floor INPUT [--threads N] [--copy-to FILE] [name=value]...
// Names: f (container the encoders are set up for), vcodec, acodec (encoder names; "copy" for
// both with --copy-to), s (WxH), r (frame rate), b (video bit rate), ab (audio bit rate),
// ar (sample rate), ac (channels). "v:NAME=VALUE" / "a:NAME=VALUE" set any option of the video
// or audio encoder by name (generic or private, e.g. v:g=15, v:preset=medium).
// A stream whose codec is not named is not read.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

extern "C" {
#include <libavutil/rational.h>
}

namespace quorbel::bench {

struct FloorSettings {
  std::string input;
  int threads = 0;         // codec threads, 0 = one per core
  std::string copyOutput;  // stream copy into this file
  std::string formatName;  // the container the encoders are set up for
  std::string videoCodec;  // empty: no video
  std::string audioCodec;  // empty: no audio
  int width = 0;           // 0: the source's
  int height = 0;
  AVRational frameRate{0, 1};  // 0/1: the source's
  int64_t videoBitRate = 0;    // 0: the encoder's default
  int64_t audioBitRate = 0;
  int sampleRate = 0;  // 0: the source's
  int channels = 0;    // 0: the source's
  std::map<std::string, std::string> videoOptions;
  std::map<std::string, std::string> audioOptions;
};

// Throws std::invalid_argument with the reason when the arguments make no run.
FloorSettings ParseFloorSettings(const std::vector<std::string>& args);

}  // namespace quorbel::bench
