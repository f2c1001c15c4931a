#include <gtest/gtest.h>

#include <filesystem>

#include "options/option_parser.h"
#include "options/target_preset.h"
#include "quorbel/exceptions.h"
#include "setup/file_setup.h"
#include "setup_test_util.h"
#include "test_job.h"

namespace quorbel {
namespace {

using testing::Sample;

class OpenInputTest : public testing::ScratchFolderTest {};

TEST_F(OpenInputTest, ReadsTheStreamsIntoTheSettings) {
  TCustomFFmpeg job;
  ASSERT_TRUE(OpenInput(job, Sample("mpeg4_mp3.avi"))) << job.LastErrorText;
  const OptionState& s = job.settings;
  EXPECT_EQ(s.frameWidth, 960);
  EXPECT_EQ(s.frameHeight, 400);
  EXPECT_FLOAT_EQ(s.frameAspectRatio, 960.0f / 400.0f);
  EXPECT_EQ(s.framePixelFormat, AV_PIX_FMT_YUV420P);
  EXPECT_EQ(av_cmp_q(s.frameRate, AVRational{24000, 1001}), 0);
  EXPECT_EQ(s.audioSampleRate, 48000);
  EXPECT_EQ(s.audioChannels, 2);
  EXPECT_EQ(job.TotalOutputDuration, 4087);

  ASSERT_EQ(job.inputFiles.size(), 1u);
  const InputFile& file = job.inputFiles[0];
  ASSERT_EQ(file.streams.size(), 2u);
  EXPECT_EQ(file.timestampOffsetUs, 0);
  for (const InputStream& input : file.streams) {
    ASSERT_TRUE(input.decoder);
    EXPECT_FALSE(avcodec_is_open(input.decoder.get()));
    EXPECT_EQ(input.decoder->codec_id, input.stream->codecpar->codec_id);
    EXPECT_EQ(input.stream->discard, AVDISCARD_DEFAULT);
  }
  EXPECT_STREQ(file.streams[0].decoder->codec->name, "mpeg4");
}

TEST_F(OpenInputTest, ClearsThePerFileSettingsAndKeepsTheRest) {
  TCustomFFmpeg job;
  ParseOptionText(job, "f=avi\nvc=2\nre\nacodec=mp3float\nvcodec=mpeg4\nab=64000\nvframes=5");
  ASSERT_TRUE(OpenInput(job, Sample("mpeg4_mp3.avi"))) << job.LastErrorText;
  const OptionState& s = job.settings;
  EXPECT_EQ(s.forcedInputFormat, nullptr);
  EXPECT_EQ(s.forcedOutputFormat, nullptr);
  EXPECT_EQ(s.videoChannel, 0);
  EXPECT_FALSE(s.rateEmulation);
  EXPECT_EQ(s.videoCodecName, "");
  EXPECT_EQ(s.audioCodecName, "");
  EXPECT_EQ(s.maxVideoFrames, 5);
  EXPECT_EQ(s.recordedOptionNames, std::vector<std::string>{"ab"});
  // The names chose the decoders; rate emulation went to the video stream.
  EXPECT_STREQ(job.inputFiles[0].streams[1].decoder->codec->name, "mp3float");
  EXPECT_TRUE(job.inputFiles[0].streams[0].rateEmulation);
}

TEST_F(OpenInputTest, FailuresLeaveTheReasonAndNoInput) {
  const struct {
    const char* options;
    std::string file;
    std::string message;
  } cases[] = {
      {"", "/nonexistent/clip.avi", "/nonexistent/clip.avi: no such file or directory"},
      {"vcodec=nosuch", Sample("mpeg4_mp3.avi"), "Unknown decoder 'nosuch'"},
      {"acodec=mpeg4", Sample("mpeg4_mp3.avi"), "Invalid decoder type 'mpeg4'"},
      {"", Sample("broken_corrupt.mkv"), Sample("broken_corrupt.mkv") + ": Error while parsing header"},
  };
  for (const auto& c : cases) {
    TCustomFFmpeg job;
    ParseOptionText(job, c.options);
    EXPECT_FALSE(OpenInput(job, c.file)) << c.options;
    EXPECT_EQ(job.LastErrorText, c.message);
    EXPECT_TRUE(job.inputFiles.empty());
    EXPECT_EQ(job.settings.videoCodecName, "");
    EXPECT_EQ(job.settings.forcedInputFormat, nullptr);
  }
}

TEST_F(OpenInputTest, AnAudioOnlyInputKeepsTheFrameGeometry) {
  TCustomFFmpeg job;
  job.settings.frameWidth = 320;
  job.settings.frameHeight = 240;
  ASSERT_TRUE(OpenInput(job, Sample("pcm_s16be.au"))) << job.LastErrorText;
  EXPECT_EQ(job.settings.frameWidth, 320);
  EXPECT_EQ(job.settings.frameHeight, 240);
  EXPECT_EQ(job.settings.audioSampleRate, 8000);
  // No video rate to decide a norm by.
  try {
    HandleOption(job, "target", "vcd");
    ADD_FAILURE();
  } catch (const FFMpegException& error) {
    EXPECT_STREQ(error.what(), "frame_rate is invalid.");
  }
}

TEST_F(OpenInputTest, AVideoWithoutSampleAspectGetsWidthOverHeight) {
  TCustomFFmpeg job;
  ASSERT_TRUE(OpenInput(job, Sample("glass_wmv1_wmav2.wmv"))) << job.LastErrorText;
  EXPECT_FLOAT_EQ(job.settings.frameAspectRatio, 320.0f / 240.0f);
  // The norm search finds nothing at 15 fps: the option's fallback decides.
  testing::LoggedJob logged;
  ASSERT_TRUE(OpenInput(logged.job, Sample("glass_wmv1_wmav2.wmv")));
  HandleOption(logged.job, "target", "vcd");
  EXPECT_TRUE(logged.Logged("Assuming NTSC for target."));
}

TEST_F(OpenInputTest, RealMediaVariableBitRateNamesGetAPixelFormat) {
  // A probe too short to decode a picture leaves the pixel format unknown.
  const std::string renamed = Path("clip.RMVB");
  std::filesystem::copy_file(Sample("mpeg4_mp3.avi"), renamed);
  for (const auto& [file, format] : {std::pair{Sample("mpeg4_mp3.avi"), -1}, std::pair{renamed, 0}}) {
    TCustomFFmpeg job;
    ParseOptionText(job, "probesize=32\nanalyzeduration=0");
    ASSERT_TRUE(OpenInput(job, file)) << job.LastErrorText;
    EXPECT_EQ(job.settings.framePixelFormat, format) << file;
    EXPECT_EQ(job.inputFiles[0].streams[0].decoder->pix_fmt, format);
  }
}

TEST_F(OpenInputTest, DisablesAndDiscardsStreams) {
  TCustomFFmpeg job;
  ParseOptionText(job, "an\nsn\nvdt=32");
  ASSERT_TRUE(OpenInput(job, Sample("h264_dvbsub_eac3.ts"))) << job.LastErrorText;
  const auto& streams = job.inputFiles[0].streams;
  ASSERT_EQ(streams.size(), 6u);
  EXPECT_EQ(streams[0].stream->discard, AVDISCARD_NONKEY);
  for (int i = 1; i <= 3; ++i) EXPECT_EQ(streams[i].stream->discard, AVDISCARD_ALL);
  for (int i = 4; i <= 5; ++i) EXPECT_EQ(streams[i].stream->discard, AVDISCARD_ALL);

  TCustomFFmpeg noVideo;
  ParseOptionText(noVideo, "vn\nvdt=32");
  ASSERT_TRUE(OpenInput(noVideo, Sample("h264_dvbsub_eac3.ts")));
  EXPECT_EQ(noVideo.inputFiles[0].streams[0].stream->discard, AVDISCARD_ALL);
  EXPECT_EQ(noVideo.inputFiles[0].streams[1].stream->discard, AVDISCARD_DEFAULT);
}

TEST_F(OpenInputTest, AProgramIdDiscardsTheOtherPrograms) {
  for (const auto& [id, discarded] : {std::pair{0, false}, std::pair{257, false}, std::pair{999, true}}) {
    TCustomFFmpeg job;
    job.settings.programId = id;
    ASSERT_TRUE(OpenInput(job, Sample("h264_dvbsub_eac3.ts"))) << job.LastErrorText;
    AVFormatContext* context = job.inputFiles[0].context.get();
    ASSERT_EQ(context->nb_programs, 1u);
    EXPECT_EQ(context->programs[0]->discard == AVDISCARD_ALL, discarded) << id;
  }
}

TEST_F(OpenInputTest, StartTimeAndOffsetsGiveTheTimestampOffset) {
  // The file starts at 38604.1017 s.
  const int64_t fileStart = 38604101700;
  const struct {
    const char* options;
    int64_t offset;
  } cases[] = {
      {"", -fileStart},
      {"ss=0.5", -fileStart - 500000},
      {"ss=0.5\nitsoffset=2", 2000000 - fileStart - 500000},
      {"ss=0.5\nitsoffset=2\ncopyts", 2000000},
  };
  for (const auto& c : cases) {
    TCustomFFmpeg job;
    ParseOptionText(job, c.options);
    ASSERT_TRUE(OpenInput(job, Sample("h264_dvbsub_eac3.ts"))) << job.LastErrorText;
    EXPECT_EQ(job.inputFiles[0].timestampOffsetUs, c.offset) << c.options;
    EXPECT_EQ(job.settings.startTimeUs, 0);  // consumed by the seek
  }
}

TEST_F(OpenInputTest, TheLongestInputRaisesTheOutputDuration) {
  TCustomFFmpeg job;
  ParseOptionText(job, "t=1");
  EXPECT_EQ(job.TotalOutputDuration, 1000);
  ASSERT_TRUE(OpenInput(job, Sample("mpeg4_mp3.avi")));
  EXPECT_EQ(job.TotalOutputDuration, 4087);
  EXPECT_EQ(job.settings.recordingTimeUs, 1000000);
  ParseOptionText(job, "t=2");
  EXPECT_EQ(job.TotalOutputDuration, 2000);
}

TEST_F(OpenInputTest, AJobHoldsTwentyInputs) {
  TCustomFFmpeg job;
  for (int i = 0; i < 20; ++i) ASSERT_TRUE(OpenInput(job, Sample("pcm_s16be.au"))) << job.LastErrorText;
  EXPECT_FALSE(OpenInput(job, Sample("pcm_s16be.au")));
  EXPECT_EQ(job.LastErrorText, "Too many input files (at most 20)");
  EXPECT_EQ(job.inputFiles.size(), 20u);
  // The table of timestamp scales has no row for a further input.
  EXPECT_NO_THROW(ParseOptionText(job, "itsscale=0:2"));
}

TEST_F(OpenInputTest, TimestampScalesBelongToTheInputOpenedNext) {
  TCustomFFmpeg job;
  ParseOptionText(job, "itsscale=1:2.5");
  ASSERT_TRUE(OpenInput(job, Sample("mpeg4_mp3.avi")));
  ParseOptionText(job, "itsscale=0:0.5");
  EXPECT_EQ(job.settings.timestampScales[0][1], 2.5);
  EXPECT_EQ(job.settings.timestampScales[1][0], 0.5);
}

}  // namespace
}  // namespace quorbel
