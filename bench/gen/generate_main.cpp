// quorbel-bench-gen KIND OUTPUT SECONDS
// Writes one benchmark source:
//   hd    720p 30000/1001 H.264 (libx264) + AAC 48 kHz stereo, MP4
//   dvd   720x576 25 fps MPEG-2 + MP2 48 kHz stereo, MPEG program stream
//   wav   48 kHz stereo 16-bit WAV
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

#include "gen/source_writer.h"

extern "C" {
#include <libavutil/log.h>
}

int main(int argc, char** argv) {
  using namespace quorbel::bench;
  const std::string kind = argc == 4 ? argv[1] : "";
  double seconds = 0;
  if (argc == 4) seconds = std::atof(argv[3]);
  if ((kind != "hd" && kind != "dvd" && kind != "wav") || seconds <= 0) {
    std::fprintf(stderr, "usage: quorbel-bench-gen hd|dvd|wav OUTPUT SECONDS\n");
    return 2;
  }
  av_log_set_level(AV_LOG_ERROR);
  try {
    if (kind == "hd") {
      // A quick preset keeps generation short; the bit rate leaves the grain in the picture.
      const VideoTrackSettings video{"libx264", 1280, 720, {30000, 1001}, 4000000, {{"preset", "veryfast"}}};
      WriteSource(argv[2], {"mp4", {}}, video, AudioTrackSettings{"aac", 48000, 2, 128000}, seconds);
    } else if (kind == "dvd") {
      const VideoTrackSettings video{
          "mpeg2video", 720,     576,
          {25, 1},      6000000, {{"g", "15"}, {"maxrate", "9000000"}, {"bufsize", "1835008"}}};
      WriteSource(argv[2], {"vob", {{"muxrate", "10080000"}}}, video,
                  AudioTrackSettings{"mp2", 48000, 2, 192000}, seconds);
    } else {
      WriteSource(argv[2], {"wav", {}}, std::nullopt, AudioTrackSettings{"pcm_s16le", 48000, 2, 0}, seconds);
    }
    return 0;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "quorbel-bench-gen: %s\n", error.what());
    std::remove((std::string(argv[2]) + ".part").c_str());
    return 1;
  }
}
