#include "options/target_preset.h"

#include <gtest/gtest.h>

#include "options/option_parser.h"
#include "quorbel/exceptions.h"
#include "test_job.h"

namespace quorbel {
namespace {

using testing::AddFakeInput;
using testing::LoggedJob;

constexpr AVRational kNtscRate{30000, 1001};

struct Preset {
  const char* target;
  const char* videoCodec;
  const char* audioCodec;
  const char* format;
  int width, height;
  AVRational rate;
  int gop;
  int64_t bitRate, maxRate, minRate;
  int bufferSize;
  int64_t audioBitRate;
  int sampleRate;
  unsigned packetSize;
  const char* muxRate;
  float preload;
  float aspect;
};

const char* PrivateValue(const TCustomFFmpeg& job, const std::string& name) {
  for (const PrivateOption& option : job.settings.privateOptions) {
    if (option.name == name) return option.value.c_str();
  }
  return "";
}

TEST(TargetPreset, AppliesEveryRowOfTheDiscPresets) {
  const float kDefaults = 12345.0f;  // marks values a preset leaves alone
  const Preset presets[] = {
      {"pal-vcd",
       "mpeg1video",
       "mp2",
       "vcd",
       352,
       288,
       {25, 1},
       15,
       1150000,
       1150000,
       1150000,
       327680,
       224000,
       44100,
       2324,
       "1411200",
       0.44f,
       4.0f / 3},
      {"ntsc-vcd", "mpeg1video", "mp2", "vcd", 352, 240, kNtscRate, 18, 1150000, 1150000, 1150000, 327680,
       224000, 44100, 2324, "1411200", 0.44f, 4.0f / 3},
      {"pal-svcd",
       "mpeg2video",
       "mp2",
       "svcd",
       480,
       576,
       {25, 1},
       15,
       2040000,
       2516000,
       0,
       1835008,
       224000,
       44100,
       2324,
       "",
       kDefaults,
       4.0f / 3},
      {"ntsc-svcd", "mpeg2video", "mp2", "svcd", 480, 480, kNtscRate, 18, 2040000, 2516000, 0, 1835008,
       224000, 44100, 2324, "", kDefaults, 4.0f / 3},
      {"pal-dvd",
       "mpeg2video",
       "ac3",
       "dvd",
       720,
       576,
       {25, 1},
       15,
       6000000,
       9000000,
       0,
       1835008,
       448000,
       48000,
       2048,
       "10080000",
       kDefaults,
       16.0f / 9},
      {"film-dvd",
       "mpeg2video",
       "ac3",
       "dvd",
       720,
       480,
       {24000, 1001},
       18,
       6000000,
       9000000,
       0,
       1835008,
       448000,
       48000,
       2048,
       "10080000",
       kDefaults,
       16.0f / 9},
  };
  for (const Preset& p : presets) {
    SCOPED_TRACE(p.target);
    TCustomFFmpeg job;
    job.settings.muxPreload = kDefaults;
    HandleOption(job, "target", p.target);
    const OptionState& s = job.settings;
    AVCodecContext* video = s.codecTemplates[AVMEDIA_TYPE_VIDEO].get();
    AVCodecContext* audio = s.codecTemplates[AVMEDIA_TYPE_AUDIO].get();
    EXPECT_EQ(s.videoCodecName, p.videoCodec);
    EXPECT_EQ(s.audioCodecName, p.audioCodec);
    ASSERT_NE(s.forcedOutputFormat, nullptr);
    EXPECT_STREQ(s.forcedOutputFormat->name, p.format);
    EXPECT_EQ(s.frameWidth, p.width);
    EXPECT_EQ(s.frameHeight, p.height);
    EXPECT_EQ(av_cmp_q(s.frameRate, p.rate), 0);
    EXPECT_EQ(video->gop_size, p.gop);
    EXPECT_EQ(video->bit_rate, p.bitRate);
    EXPECT_EQ(video->rc_max_rate, p.maxRate);
    EXPECT_EQ(video->rc_min_rate, p.minRate);
    EXPECT_EQ(video->rc_buffer_size, p.bufferSize);
    EXPECT_EQ(audio->bit_rate, p.audioBitRate);
    EXPECT_EQ(s.audioSampleRate, p.sampleRate);
    EXPECT_EQ(s.audioChannels, 2);
    EXPECT_EQ(s.formatTemplate->packet_size, p.packetSize);
    EXPECT_STREQ(PrivateValue(job, "muxrate"), p.muxRate);
    EXPECT_FLOAT_EQ(s.muxPreload, p.preload);
    EXPECT_FLOAT_EQ(s.frameAspectRatio, p.aspect);
    EXPECT_STREQ(PrivateValue(job, "scan_offset"), std::string(p.format) == "svcd" ? "1" : "");
    EXPECT_EQ(s.framePixelFormat, -1);
  }
}

TEST(TargetPreset, DvSetsFormatSizePixelFormatRateAndAudio) {
  const struct {
    const char* target;
    int height;
    AVPixelFormat pixelFormat;
  } cases[] = {
      {"pal-dv", 576, AV_PIX_FMT_YUV420P},    {"ntsc-dv", 480, AV_PIX_FMT_YUV411P},
      {"film-dv", 480, AV_PIX_FMT_YUV411P},   {"pal-dv50", 576, AV_PIX_FMT_YUV422P},
      {"ntsc-dv50", 480, AV_PIX_FMT_YUV422P},
  };
  for (const auto& c : cases) {
    TCustomFFmpeg job;
    job.settings.audioChannels = 6;
    HandleOption(job, "target", c.target);
    EXPECT_STREQ(job.settings.forcedOutputFormat->name, "dv") << c.target;
    EXPECT_EQ(job.settings.frameWidth, 720);
    EXPECT_EQ(job.settings.frameHeight, c.height);
    EXPECT_EQ(job.settings.framePixelFormat, c.pixelFormat) << c.target;
    EXPECT_EQ(job.settings.audioSampleRate, 48000);
    EXPECT_EQ(job.settings.audioChannels, 2);
    EXPECT_EQ(job.settings.videoCodecName, "");
    EXPECT_EQ(job.settings.frameAspectRatio, 0.0f);
  }
}

TEST(TargetPreset, ChannelRules) {
  const struct {
    const char* target;
    int before, after;
  } cases[] = {
      {"pal-svcd", 1, 2}, {"pal-svcd", 6, 6}, {"pal-dvd", 1, 2}, {"pal-dvd", 6, 6}, {"pal-vcd", 6, 2}};
  for (const auto& c : cases) {
    TCustomFFmpeg job;
    job.settings.audioChannels = c.before;
    HandleOption(job, "target", c.target);
    EXPECT_EQ(job.settings.audioChannels, c.after) << c.target << " " << c.before;
  }
}

TEST(TargetPreset, KeepsAnAspectRatioTheJobAlreadyHas) {
  TCustomFFmpeg job;
  job.settings.frameAspectRatio = 2.35f;
  HandleOption(job, "target", "pal-dvd");
  EXPECT_FLOAT_EQ(job.settings.frameAspectRatio, 2.35f);
}

TEST(TargetPreset, GivenNormsAreNotLogged) {
  LoggedJob logged;
  logged.job.settings.frameRate = kNtscRate;
  HandleOption(logged.job, "target", "pal-vcd");
  EXPECT_EQ(logged.job.settings.frameHeight, 288);
  EXPECT_EQ(av_cmp_q(logged.job.settings.frameRate, AVRational{25, 1}), 0);
  EXPECT_TRUE(logged.lines.empty());
}

TEST(TargetPreset, AutomaticNormFromTheFrameRateTheInputsOrTheFallback) {
  const struct {
    AVRational jobRate;
    std::vector<testing::FakeStream> streams;
    const char* assumed;
    int height;
  } cases[] = {
      {{25, 1}, {}, "PAL", 288},
      {kNtscRate, {}, "NTSC", 240},
      {{24000, 1001}, {}, "NTSC", 240},
      {{15, 1}, {}, "NTSC", 240},  // the option falls back to NTSC
      {{15, 1},
       {{AVMEDIA_TYPE_AUDIO, {25, 1}}, {AVMEDIA_TYPE_VIDEO, {15, 1}}, {AVMEDIA_TYPE_VIDEO, {25, 1}}},
       "PAL",
       288},
      {{15, 1}, {{AVMEDIA_TYPE_VIDEO, kNtscRate}, {AVMEDIA_TYPE_VIDEO, {25, 1}}}, "NTSC", 240},
  };
  for (const auto& c : cases) {
    LoggedJob logged;
    logged.job.settings.frameRate = c.jobRate;
    if (!c.streams.empty()) AddFakeInput(logged.job, c.streams);
    HandleOption(logged.job, "target", "vcd");
    EXPECT_EQ(logged.lines,
              (std::vector<testing::LogLine>{{1, std::string("Assuming ") + c.assumed + " for target."}}));
    EXPECT_EQ(logged.job.settings.frameHeight, c.height);
  }
}

TEST(TargetPreset, FallbackNormsAndQuietJobs) {
  const struct {
    const char* fallback;
    int height;
    AVRational rate;
  } cases[] = {
      {"pal", 288, {25, 1}}, {"ntsc", 240, kNtscRate}, {"film", 240, {24000, 1001}}, {"other", 288, {25, 1}}};
  for (const auto& c : cases) {
    LoggedJob logged;
    logged.job.settings.frameRate = AVRational{15, 1};
    const testing::LogLevelGuard restore;
    logged.job.SetVerbosity(0);
    ApplyTargetPreset(logged.job, "vcd", "auto", c.fallback);
    EXPECT_EQ(logged.job.settings.frameHeight, c.height) << c.fallback;
    EXPECT_EQ(av_cmp_q(logged.job.settings.frameRate, c.rate), 0) << c.fallback;
    EXPECT_TRUE(logged.lines.empty());
  }
}

TEST(TargetPreset, Failures) {
  TCustomFFmpeg job;
  try {
    HandleOption(job, "target", "vcd");  // no frame rate to decide by
    ADD_FAILURE();
  } catch (const FFMpegException& error) {
    EXPECT_STREQ(error.what(), "frame_rate is invalid.");
  }
  try {
    HandleOption(job, "target", " pal-dvd2 ");
    ADD_FAILURE();
  } catch (const FFMpegException& error) {
    EXPECT_STREQ(error.what(), "Unknown target type");
  }
  EXPECT_EQ(job.settings.forcedOutputFormat, nullptr);
}

TEST(TargetPreset, LaterOptionsChangeWhatItSet) {
  TCustomFFmpeg job;
  ParseOptionText(job, "target=ntsc-dvd\ns=352x240\nvcodec=mpeg1video\ngop=9");
  EXPECT_EQ(job.settings.frameWidth, 352);
  EXPECT_EQ(job.settings.videoCodecName, "mpeg1video");
  EXPECT_EQ(job.settings.codecTemplates[AVMEDIA_TYPE_VIDEO]->gop_size, 9);
}

}  // namespace
}  // namespace quorbel
