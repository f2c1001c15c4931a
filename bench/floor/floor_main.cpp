// quorbel-bench-floor: what one conversion costs in the codecs alone. It decodes, converts and
// encodes like an engine job with the same encoders and settings, and discards the packets; a
// stream copy reads and muxes only. Prints what it did on one line.
#include <cinttypes>
#include <cstdio>
#include <exception>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "floor/audio_chain.h"
#include "floor/floor_settings.h"
#include "floor/source_reader.h"
#include "floor/stream_copy.h"
#include "floor/video_chain.h"

extern "C" {
#include <libavutil/log.h>
}

namespace quorbel::bench {
namespace {

void Transcode(const FloorSettings& settings) {
  SourceReader reader(settings.input, settings.threads, !settings.videoCodec.empty(),
                      !settings.audioCodec.empty());
  std::optional<VideoChain> video;
  std::optional<AudioChain> audio;
  if (reader.VideoDecoder() != nullptr)
    video.emplace(settings, *reader.VideoDecoder(), *reader.VideoStream());
  if (reader.AudioDecoder() != nullptr) audio.emplace(settings, *reader.AudioDecoder());
  if (!video && !audio) throw std::runtime_error("the input has none of the streams asked for");
  reader.DecodeAll([&](const AVFrame& frame) { video->Encode(frame); },
                   [&](const AVFrame& frame) { audio->Encode(frame); });
  if (video) {
    video->Finish();
    std::printf("video: %" PRId64 " frames, %" PRId64 " bytes\n", video->FramesEncoded(),
                video->Totals().bytes);
  }
  if (audio) {
    audio->Finish();
    std::printf("audio: %" PRId64 " samples, %" PRId64 " bytes\n", audio->SamplesEncoded(),
                audio->Totals().bytes);
  }
}

}  // namespace
}  // namespace quorbel::bench

int main(int argc, char** argv) {
  using namespace quorbel::bench;
  try {
    const FloorSettings settings = ParseFloorSettings(std::vector<std::string>(argv + 1, argv + argc));
    av_log_set_level(AV_LOG_ERROR);
    if (!settings.copyOutput.empty()) {
      const CopyTotals totals = CopyStreams(settings.input, settings.copyOutput);
      std::printf("copy: %" PRId64 " packets, %" PRId64 " bytes\n", totals.packets, totals.bytes);
    } else {
      Transcode(settings);
    }
    return 0;
  } catch (const std::invalid_argument& error) {
    std::fprintf(stderr,
                 "quorbel-bench-floor: %s\n"
                 "usage: quorbel-bench-floor INPUT [--threads N] [--copy-to FILE] [name=value]...\n",
                 error.what());
    return 2;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "quorbel-bench-floor: %s\n", error.what());
    return 1;
  }
}
