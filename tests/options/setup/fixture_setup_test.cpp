// File setup on the generated fixtures, whose stream layout the fixture table states.
#include <gtest/gtest.h>

#include "options/option_parser.h"
#include "quorbel/exceptions.h"
#include "quorbel/fixtures.h"
#include "setup/file_setup.h"
#include "setup_test_util.h"
#include "test_job.h"

namespace quorbel {
namespace {

using fixtures::Fixture;
using fixtures::StreamKind;

class FixtureSetupTest : public testing::ScratchFolderTest {};

TEST_F(FixtureSetupTest, TheInputsGeometryAndRatesBecomeTheSettings) {
  for (const Fixture id : {Fixture::kAviMpeg4Mp3, Fixture::kAnamorphic, Fixture::kPal720x576,
                           Fixture::kNtscRate, Fixture::k3gpH263AmrNb, Fixture::kSquare640x480}) {
    const fixtures::FixtureInfo& info = fixtures::Info(id);
    SCOPED_TRACE(info.fileName);
    TCustomFFmpeg job;
    ASSERT_TRUE(OpenInput(job, fixtures::Path(id))) << job.LastErrorText;
    const fixtures::FixtureStream& video = info.streams[info.First(StreamKind::kVideo)];
    const fixtures::FixtureStream& audio = info.streams[info.First(StreamKind::kAudio)];
    const OptionState& s = job.settings;
    EXPECT_EQ(s.frameWidth, video.width);
    EXPECT_EQ(s.frameHeight, video.height);
    EXPECT_EQ(av_cmp_q(s.frameRate, video.frameRate), 0);
    // Without a sample aspect the picture's own proportions count.
    const double sampleAspect = video.sampleAspect.num != 0 ? av_q2d(video.sampleAspect) : 1.0;
    EXPECT_FLOAT_EQ(s.frameAspectRatio, static_cast<float>(video.width * sampleAspect / video.height));
    EXPECT_EQ(s.audioSampleRate, audio.sampleRate);
    EXPECT_EQ(s.audioChannels, audio.channels);
    EXPECT_NEAR(job.TotalOutputDuration, info.durationMs, 150);
  }
}

TEST_F(FixtureSetupTest, TargetNormsFollowTheInput) {
  const struct {
    Fixture input;
    const char* target;
    const char* assumed;
    int width, height;
    float aspect;
  } cases[] = {
      {Fixture::kPal720x576, "dvd", "PAL", 720, 576, 720.0f * 16 / 15 / 576},  // the input's aspect stays
      {Fixture::kNtscRate, "vcd", "NTSC", 352, 240, 160.0f / 120},
      {Fixture::kMpegPsMpeg2Mp2, "svcd", "PAL", 480, 576, 0.0f},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(fixtures::Info(c.input).fileName);
    testing::LoggedJob logged;
    ASSERT_TRUE(OpenInput(logged.job, fixtures::Path(c.input))) << logged.job.LastErrorText;
    const float inputAspect = logged.job.settings.frameAspectRatio;
    HandleOption(logged.job, "target", c.target);
    EXPECT_TRUE(logged.Logged(std::string("Assuming ") + c.assumed + " for target."));
    EXPECT_EQ(logged.job.settings.frameWidth, c.width);
    EXPECT_EQ(logged.job.settings.frameHeight, c.height);
    EXPECT_FLOAT_EQ(logged.job.settings.frameAspectRatio, c.aspect != 0.0f ? c.aspect : inputAspect);
    ASSERT_TRUE(CreateOutput(logged.job, Path(std::string("out.") + c.target))) << logged.job.LastErrorText;
    EXPECT_STREQ(logged.job.outputFiles[0].context->oformat->name, c.target);
  }
}

TEST_F(FixtureSetupTest, OutputsGetTheKindsTheInputsHave) {
  const struct {
    Fixture input;
    const char* output;
    int video, audio;
  } cases[] = {
      {Fixture::kAudioOnly, "out.mp4", 0, 1},
      {Fixture::kVideoOnly, "out.mp4", 1, 0},
      {Fixture::kVideoOnly, "out.mp3", 0, 0},
      {Fixture::kAviMpeg4Mp3, "out.flv", 1, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(fixtures::Info(c.input).fileName + " -> " + c.output);
    TCustomFFmpeg job;
    ASSERT_TRUE(OpenInput(job, fixtures::Path(c.input))) << job.LastErrorText;
    ASSERT_TRUE(CreateOutput(job, Path(c.output))) << job.LastErrorText;
    int video = 0;
    int audio = 0;
    for (const OutputStream& stream : job.outputFiles[0].streams) {
      video += stream.encoder->codec_type == AVMEDIA_TYPE_VIDEO;
      audio += stream.encoder->codec_type == AVMEDIA_TYPE_AUDIO;
      EXPECT_NE(stream.encoder->codec, nullptr);  // the format's default has an encoder
    }
    EXPECT_EQ(video, c.video);
    EXPECT_EQ(audio, c.audio);
  }
}

TEST_F(FixtureSetupTest, AnamorphicPicturesKeepTheirShapeWhenScaled) {
  TCustomFFmpeg job;
  ASSERT_TRUE(OpenInput(job, fixtures::Path(Fixture::kAnamorphic))) << job.LastErrorText;
  ParseOptionText(job, "s=320x240\nvcodec=mpeg4");
  ASSERT_TRUE(CreateOutput(job, Path("out.avi"))) << job.LastErrorText;
  const fixtures::FixtureStream& video =
      fixtures::Info(Fixture::kAnamorphic)
          .streams[fixtures::Info(Fixture::kAnamorphic).First(StreamKind::kVideo)];
  const double displayAspect = video.width * av_q2d(video.sampleAspect) / video.height;
  const AVCodecContext* encoder = job.outputFiles[0].streams[0].encoder.get();
  EXPECT_NEAR(320 * av_q2d(encoder->sample_aspect_ratio) / 240, displayAspect, 0.01);
}

}  // namespace
}  // namespace quorbel
