// The targets vcd, svcd, dvd and dv: what each preset promises is what the written file holds,
// and the file decodes again.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>

#include "pipeline_test_util.h"

extern "C" {
#include <libavutil/log.h>
#include <libavutil/pixdesc.h>
}

namespace quorbel {
namespace {

using fixtures::Fixture;
using testing::Inspect;
using testing::PipelineJob;

struct StreamFacts {
  std::string videoCodec;
  int width = 0;
  int height = 0;
  AVRational frameRate{0, 1};
  std::string pixelFormat;
  std::string audioCodec;
  int sampleRate = 0;
  int channels = 0;
};

StreamFacts ReadFacts(const std::string& path) {
  StreamFacts facts;
  AVFormatContext* opened = nullptr;
  if (avformat_open_input(&opened, path.c_str(), nullptr, nullptr) < 0) return facts;
  const InputFormatContextPtr file(opened);
  if (avformat_find_stream_info(opened, nullptr) < 0) return facts;
  for (unsigned i = 0; i < opened->nb_streams; ++i) {
    const AVStream* stream = opened->streams[i];
    const AVCodecParameters* parameters = stream->codecpar;
    if (parameters->codec_type == AVMEDIA_TYPE_VIDEO) {
      facts.videoCodec = avcodec_get_name(parameters->codec_id);
      facts.width = parameters->width;
      facts.height = parameters->height;
      facts.frameRate = stream->r_frame_rate;
      const char* format = av_get_pix_fmt_name(static_cast<AVPixelFormat>(parameters->format));
      facts.pixelFormat = format != nullptr ? format : "";
    } else if (parameters->codec_type == AVMEDIA_TYPE_AUDIO) {
      facts.audioCodec = avcodec_get_name(parameters->codec_id);
      facts.sampleRate = parameters->sample_rate;
      facts.channels = parameters->ch_layout.nb_channels;
    }
  }
  return facts;
}

class TargetTest : public testing::PipelineTest {};

// Counts the library's "VBV buffer size not set" lines while it lives.
struct MuxerGuesses {
  static inline std::atomic<int> count{0};
  MuxerGuesses() {
    count = 0;
    av_log_set_callback([](void* object, int level, const char* format, va_list args) {
      if (std::strstr(format, "VBV buffer size not set") != nullptr) ++count;
      av_log_default_callback(object, level, format, args);
    });
  }
  ~MuxerGuesses() { av_log_set_callback(av_log_default_callback); }
};

TEST_F(TargetTest, FilesHoldWhatThePresetPromises) {
  const struct {
    const char* target;
    const char* output;
    StreamFacts expected;
  } cases[] = {
      {"pal-vcd", "out.mpg", {"mpeg1video", 352, 288, {25, 1}, "yuv420p", "mp2", 44100, 2}},
      {"ntsc-svcd", "out.mpg", {"mpeg2video", 480, 480, {30000, 1001}, "yuv420p", "mp2", 44100, 2}},
      {"pal-dvd", "out.vob", {"mpeg2video", 720, 576, {25, 1}, "yuv420p", "ac3", 48000, 2}},
      {"ntsc-dvd", "out.vob", {"mpeg2video", 720, 480, {30000, 1001}, "yuv420p", "ac3", 48000, 2}},
      {"pal-dv", "out.dv", {"dvvideo", 720, 576, {25, 1}, "yuv420p", "pcm_s16le", 48000, 2}},
      {"ntsc-dv", "out.dv", {"dvvideo", 720, 480, {30000, 1001}, "yuv411p", "pcm_s16le", 48000, 2}},
  };
  const MuxerGuesses guesses;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.target);
    {
      PipelineJob run;
      ASSERT_NO_FATAL_FAILURE(run.AddInput(fixtures::Path(Fixture::kAviMpeg4Mp3)));
      ASSERT_NO_FATAL_FAILURE(run.AddOutput(Path(c.output), std::string("target=") + c.target + "\nt=0.6"));
      run.job.CodecThreads = 1;
      ASSERT_EQ(run.Run(), "");
      // The encoder's buffer sizes reach the program-stream muxer, which would otherwise guess.
      for (const std::string& line : run.lines)
        EXPECT_EQ(line.find("VBV buffer size not set"), std::string::npos);
    }
    const StreamFacts facts = ReadFacts(Path(c.output));
    const StreamFacts& expected = c.expected;
    EXPECT_EQ(facts.videoCodec, expected.videoCodec);
    EXPECT_EQ(facts.width, expected.width);
    EXPECT_EQ(facts.height, expected.height);
    EXPECT_EQ(av_cmp_q(facts.frameRate, expected.frameRate), 0)
        << facts.frameRate.num << "/" << facts.frameRate.den;
    EXPECT_EQ(facts.pixelFormat, expected.pixelFormat);
    EXPECT_EQ(facts.audioCodec, expected.audioCodec);
    EXPECT_EQ(facts.sampleRate, expected.sampleRate);
    EXPECT_EQ(facts.channels, expected.channels);

    const auto summary = Inspect(Path(c.output));
    const auto& video = summary.First(AVMEDIA_TYPE_VIDEO);
    const auto& audio = summary.First(AVMEDIA_TYPE_AUDIO);
    EXPECT_GE(video.frames, 10);
    EXPECT_EQ(video.decodeErrors, 0);
    EXPECT_GT(audio.frames, 0);
    EXPECT_EQ(audio.decodeErrors, 0);
    std::filesystem::remove(Path(c.output));
  }
  // The encoders' buffer sizes reached the program-stream muxers, which would otherwise guess.
  EXPECT_EQ(MuxerGuesses::count, 0);
}

}  // namespace
}  // namespace quorbel
