// Run setup: how sources are chosen, what copied and re-encoded streams are given, and every
// way setup can fail.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>

#include "job/codec_lock.h"
#include "pipeline/run_setup.h"
#include "pipeline_test_util.h"
#include "quorbel/fixtures.h"

namespace quorbel {
namespace {

using fixtures::Fixture;
using testing::PipelineJob;

class RunSetupTest : public testing::PipelineTest {
 protected:
  // PrepareRun on the configured job; the job runner's clean-up follows when the test ends.
  void Prepare(PipelineJob& run) {
    try {
      PrepareRun(run.job, tables_);
    } catch (const FFMpegException& error) {
      FAIL() << error.what();
    }
  }
  void TearDown() override {
    tables_ = RunTables();
    testing::PipelineTest::TearDown();
  }

  RunTables tables_;
};

TEST_F(RunSetupTest, SetupFailuresEndTheRunAndLeaveNoOutputFile) {
  const std::string copy = "vcodec=copy\nacodec=copy\n";
  const struct {
    Fixture input;
    const char* output;
    std::string options;
    std::function<void(TCustomFFmpeg&)> prepare;
    const char* message;
  } cases[] = {
      {Fixture::kAviMpeg4Mp3, "out.mkv", copy + "map=0:5\nmap=0:1", nullptr,
       "Could not find input stream #0.5"},
      {Fixture::kAviMpeg4Mp3, "out.mkv", copy + "map=1:0\nmap=0:1", nullptr,
       "Could not find input stream #1.0"},
      {Fixture::kAviMpeg4Mp3, "out.mkv", copy + "map=0:0\nmap=0:1:0:7", nullptr,
       "Could not find sync stream #0.7"},
      {Fixture::kAviMpeg4Mp3, "out.mkv", copy + "map=0:0", nullptr,
       "Number of stream maps must match number of output streams"},
      {Fixture::kAviMpeg4Mp3, "out.mkv", copy + "map=0:1\nmap=0:0", nullptr,
       "Codec type mismatch for mapping #0.1 -> #0.0"},
      {Fixture::kMpegTsDtsJump, "out.mkv", copy + "programid=7", nullptr,
       "Could not find input stream matching output stream #0.0"},
      {Fixture::kVideoOnly, "out.mp3", "", nullptr, "Output file does not contain any stream"},
      {Fixture::kAviMpeg4Mp3, "out.mkv", copy + "vol=512", nullptr,
       "-acodec copy and -vol are incompatible (frames are not decoded)"},
      {Fixture::kAviMpeg4Mp3, "out.mkv", copy,
       [](TCustomFFmpeg& job) {
         job.CustomHookCallback = [](TCustomFFmpeg&, TBitmap&, int32_t, int64_t, bool&, bool&) {};
       },
       "-vcodec copy and CustomHook are incompatible (frames are not decoded)"},
      {Fixture::kAviMpeg4Mp3, "out.mkv", copy, [](TCustomFFmpeg& job) { job.hooks.UsePluginHooks = true; },
       "-vcodec copy and -vhook are incompatible (frames are not decoded)"},
      {Fixture::kAviMpeg4Mp3, "out.mkv", copy + "map_meta_data=1:0", nullptr,
       "Invalid output file index 1 map_meta_data(1,0)"},
      {Fixture::kAviMpeg4Mp3, "out.mkv", copy + "map_meta_data=0:3", nullptr,
       "Invalid input file index 3 map_meta_data(0,3)"},
      // MP4 has no place for WMV2 pictures: the header is refused and the file stays empty.
      {Fixture::kAsfWmv2Wmav2, "out.mp4", copy, nullptr,
       "Could not write header for output file #0 (incorrect codec parameters ?)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    PipelineJob run;
    ASSERT_NO_FATAL_FAILURE(run.AddInput(fixtures::Path(c.input)));
    ASSERT_NO_FATAL_FAILURE(run.AddOutput(Path(c.output), c.options));
    if (c.prepare) c.prepare(run.job);
    EXPECT_EQ(run.Run(), c.message);
    EXPECT_FALSE(run.job.Finished);
    EXPECT_FALSE(std::filesystem::exists(Path(c.output)));
  }
}

TEST_F(RunSetupTest, SourcesAreTheFirstUnclaimedStreamOfTheirKindElseTheLast) {
  PipelineJob run;
  ASSERT_NO_FATAL_FAILURE(run.AddInput(fixtures::Path(Fixture::kAviMpeg4Mp3)));  // table 0 video, 1 audio
  ASSERT_NO_FATAL_FAILURE(run.AddInput(fixtures::Path(Fixture::kVideoOnly)));    // table 2 video
  ASSERT_NO_FATAL_FAILURE(run.AddOutput(Path("out.mkv"), "vcodec=copy\nacodec=copy"));
  ParseOptionText(run.job, "vcodec=copy\nnewvideo\nacodec=copy\nnewaudio");
  ASSERT_NO_FATAL_FAILURE(Prepare(run));
  ASSERT_EQ(tables_.OutputStreams.size(), 4u);
  const int expected[] = {0, 1, 2, 1};  // video, audio, second video, second audio: the same again
  for (size_t n = 0; n < 4; ++n) {
    EXPECT_EQ(tables_.OutputStreams[n]->SourceIndex, expected[n]) << n;
    EXPECT_EQ(tables_.OutputStreams[n]->SyncStream,
              tables_.InputStreams[static_cast<size_t>(expected[n])].get());
  }
  EXPECT_EQ(tables_.InputFiles[1].FirstStream, 2);
  for (const auto& ist : tables_.InputStreams) EXPECT_FALSE(ist->Discard);
}

TEST_F(RunSetupTest, CopiedStreamsTakeTheSourcesParameters) {
  PipelineJob run;
  ASSERT_NO_FATAL_FAILURE(run.AddInput(fixtures::Path(Fixture::kAviMpeg4Mp3)));
  ASSERT_NO_FATAL_FAILURE(run.AddOutput(Path("out.mp4"), "vcodec=copy\nacodec=copy"));
  ASSERT_NO_FATAL_FAILURE(Prepare(run));
  const AVStream* inputVideo = tables_.InputStreams[0]->Stream;
  const AVCodecParameters* video = tables_.OutputStreams[0]->Stream->codecpar;
  const AVCodecParameters* audio = tables_.OutputStreams[1]->Stream->codecpar;
  EXPECT_EQ(video->codec_id, AV_CODEC_ID_MPEG4);
  EXPECT_EQ(video->width, 160);
  EXPECT_EQ(video->height, 120);
  EXPECT_EQ(audio->codec_id, AV_CODEC_ID_MP3);
  EXPECT_EQ(audio->sample_rate, 44100);
  // MP4 has its own tag for MPEG-4 video: the AVI FourCC is left for the multiplexer to replace.
  EXPECT_NE(inputVideo->codecpar->codec_tag, 0u);
  EXPECT_EQ(video->codec_tag, 0u);
  EXPECT_EQ(av_cmp_q(tables_.OutputStreams[0]->Stream->time_base, inputVideo->time_base), 0);
  EXPECT_FALSE(tables_.OutputStreams[0]->EncodingNeeded);
  EXPECT_FALSE(tables_.InputStreams[0]->DecodingNeeded);
  EXPECT_TRUE(run.job.run.OpenEncoders.empty());
  EXPECT_TRUE(run.job.run.OpenDecoders.empty());
}

TEST_F(RunSetupTest, ACoarseCodecTimeBaseReplacesAFineStreamTimeBase) {
  PipelineJob run;
  ASSERT_NO_FATAL_FAILURE(run.AddInput(fixtures::Path(Fixture::kMpegTsDtsJump)));  // 1/90000
  ASSERT_NO_FATAL_FAILURE(run.AddOutput(Path("out.avi"), "vcodec=copy\nacodec=copy"));
  ASSERT_NO_FATAL_FAILURE(Prepare(run));
  EXPECT_EQ(av_cmp_q(tables_.OutputStreams[0]->Stream->time_base, AVRational{1, 25}), 0);
  EXPECT_EQ(av_cmp_q(tables_.OutputStreams[1]->Stream->time_base, AVRational{1, 48000}), 0);
}

TEST_F(RunSetupTest, VideoEncodingDecidesCropPadAndRescale) {
  const struct {
    const char* options;
    bool resample, crop, pad, picture;
    int cropLeft, padTop;
  } cases[] = {
      {"s=640x480", true, false, false, true, 0, 0},
      {"cropleft=8\ncropright=8", false, true, false, false, 8, 0},
      {"padtop=16\npadbottom=16", false, false, true, true, 0, 16},
      {"cropleft=8\npadtop=16\npadbottom=16\ns=320x240", true, true, true, true, 8, 16},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.options);
    PipelineJob run;
    ASSERT_NO_FATAL_FAILURE(run.AddInput(fixtures::Path(Fixture::kPal720x576)));
    ASSERT_NO_FATAL_FAILURE(run.AddOutput(Path("out.avi"), std::string("an\nvcodec=mpeg4\n") + c.options));
    tables_ = RunTables();
    ASSERT_NO_FATAL_FAILURE(Prepare(run));
    const TOutputStreamState& ost = *tables_.OutputStreams[0];
    EXPECT_TRUE(ost.EncodingNeeded);
    EXPECT_TRUE(tables_.InputStreams[0]->DecodingNeeded);
    EXPECT_EQ(ost.VideoResample, c.resample);
    EXPECT_EQ(ost.Scaler != nullptr, c.resample);
    EXPECT_EQ(ost.VideoCrop, c.crop);
    EXPECT_EQ(ost.CropLeftBand, c.cropLeft);
    EXPECT_EQ(ost.VideoPad, c.pad);
    EXPECT_EQ(ost.PadTopBand, c.padTop);
    EXPECT_EQ(ost.TempPicture != nullptr, c.picture);
    if (c.resample) {
      EXPECT_EQ(ost.ResampleHeight, 576);
    }
    // Encoder and decoder are open and registered until the clean-up.
    EXPECT_EQ(run.job.run.OpenEncoders.size(), 1u);
    EXPECT_EQ(run.job.run.OpenDecoders.size(), 1u);
    CloseOpenCodecs(run.job);
    EXPECT_EQ(run.job.outputFiles[0].streams[0].encoder, nullptr);
  }
}

TEST_F(RunSetupTest, AudioEncodingDecidesResamplingAndTheDecodedChannels) {
  const struct {
    const char* options;
    bool resample;
    int channels;
  } cases[] = {
      {"", false, 2},
      {"async=2", true, 2},  // drift compensation stretches through the resampler
      {"ar=48000", true, 2},
      {"ac=1", false, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.options);
    PipelineJob run;
    ASSERT_NO_FATAL_FAILURE(run.AddInput(fixtures::Path(Fixture::kAviMpeg4Mp3)));  // 44100 Hz stereo
    ASSERT_NO_FATAL_FAILURE(run.AddOutput(Path("out.mkv"), std::string("vn\nacodec=mp2\n") + c.options));
    tables_ = RunTables();
    ASSERT_NO_FATAL_FAILURE(Prepare(run));
    const TOutputStreamState& ost = *tables_.OutputStreams[0];
    EXPECT_EQ(ost.AudioResample, c.resample);
    EXPECT_NE(ost.AudioFifo, nullptr);
    EXPECT_EQ(tables_.InputStreams[1]->RequestedChannels, c.channels);
    EXPECT_TRUE(tables_.InputStreams[1]->DecodingNeeded);
    EXPECT_FALSE(tables_.InputStreams[0]->DecodingNeeded);
  }
}

TEST_F(RunSetupTest, TwoPassStatisticsFilesAreNamedByOutputStreamPosition) {
  const std::string prefix = Path("stats");
  {
    PipelineJob run;
    ASSERT_NO_FATAL_FAILURE(run.AddInput(fixtures::Path(Fixture::kAviMpeg4Mp3)));
    ASSERT_NO_FATAL_FAILURE(
        run.AddOutput(Path("out.mkv"), "vcodec=mpeg4\nacodec=copy\npass=1\npasslogfile=" + prefix));
    ParseOptionText(run.job, "vcodec=mpeg4\nnewvideo");
    ASSERT_NO_FATAL_FAILURE(Prepare(run));
    EXPECT_NE(tables_.OutputStreams[0]->PassLogFile, nullptr);
    EXPECT_EQ(tables_.OutputStreams[1]->PassLogFile, nullptr);
    EXPECT_NE(tables_.OutputStreams[2]->PassLogFile, nullptr);
  }
  EXPECT_TRUE(std::filesystem::exists(prefix + "-0.log"));
  EXPECT_FALSE(std::filesystem::exists(prefix + "-1.log"));
  EXPECT_TRUE(std::filesystem::exists(prefix + "-2.log"));

  // Pass 2 hands the whole file to the encoder.
  std::ofstream(prefix + "-0.log") << "in:0 out:0 type:1 q:2;\n";
  {
    PipelineJob run;
    ASSERT_NO_FATAL_FAILURE(run.AddInput(fixtures::Path(Fixture::kAviMpeg4Mp3)));
    ASSERT_NO_FATAL_FAILURE(
        run.AddOutput(Path("out.mkv"), "vcodec=mpeg4\nan\npass=2\npasslogfile=" + prefix));
    tables_ = RunTables();
    BuildInputTables(run.job, tables_);
    BuildOutputTable(run.job, tables_);
    ConfigureStreams(run.job, tables_);
    ASSERT_NE(run.job.outputFiles[0].streams[0].encoder->stats_in, nullptr);
    EXPECT_STREQ(run.job.outputFiles[0].streams[0].encoder->stats_in, "in:0 out:0 type:1 q:2;\n");
  }
  PipelineJob missing;
  ASSERT_NO_FATAL_FAILURE(missing.AddInput(fixtures::Path(Fixture::kAviMpeg4Mp3)));
  ASSERT_NO_FATAL_FAILURE(
      missing.AddOutput(Path("out.mkv"), "vcodec=mpeg4\nan\npass=2\npasslogfile=" + Path("none")));
  EXPECT_EQ(missing.Run(), "creat open fail: " + Path("none") + "-0.log");
  missing.job.ResetOptionState();
  ASSERT_NO_FATAL_FAILURE(missing.AddInput(fixtures::Path(Fixture::kAviMpeg4Mp3)));
  ASSERT_NO_FATAL_FAILURE(
      missing.AddOutput(Path("out.mkv"), "vcodec=mpeg4\nan\npass=1\npasslogfile=" + Path("none/stats")));
  EXPECT_EQ(missing.Run(), "creat file fail: " + Path("none/stats") + "-0.log");
}

TEST_F(RunSetupTest, LargePicturesRaiseTheEncodeBuffer) {
  PipelineJob run;
  ASSERT_NO_FATAL_FAILURE(run.AddInput(fixtures::Path(Fixture::kAviMpeg4Mp3)));
  ASSERT_NO_FATAL_FAILURE(run.AddOutput(Path("out.mkv"), "an\nvcodec=mpeg4\ns=1920x1080"));
  ASSERT_NO_FATAL_FAILURE(Prepare(run));
  EXPECT_EQ(run.job.run.EncodeBufferSize, 8294400);
  EXPECT_NE(run.job.run.EncodeBuffer, nullptr);
}

TEST_F(RunSetupTest, CodecsThatCannotOpenFailTheRunAndStayRegisteredForTheCleanUp) {
  const struct {
    std::function<void(TCustomFFmpeg&)> breakCodec;
    const char* message;
    size_t openEncoders;  // when the failure is raised
  } cases[] = {
      {[](TCustomFFmpeg& job) {
         CodecContextPtr& encoder = job.outputFiles[0].streams[1].encoder;
         encoder.reset(avcodec_alloc_context3(nullptr));
         encoder->codec_type = AVMEDIA_TYPE_AUDIO;
         encoder->codec_id = AV_CODEC_ID_WMAPRO;  // decoded only
       },
       "Unsupported codec for output stream #0.1", 1},
      {[](TCustomFFmpeg& job) { job.outputFiles[0].streams[1].encoder->sample_rate = 0; },
       "Error while opening codec for output stream #0.1 - maybe incorrect parameters such as bit_rate, "
       "rate, "
       "width or height",
       1},
      {[](TCustomFFmpeg& job) {
         CodecContextPtr& decoder = job.inputFiles[0].streams[1].decoder;
         decoder.reset(avcodec_alloc_context3(nullptr));
         decoder->codec_type = AVMEDIA_TYPE_AUDIO;
       },
       "Unsupported codec (id=0) for input stream #0.1", 2},
      {[](TCustomFFmpeg& job) { job.inputFiles[0].streams[1].decoder->sample_rate = -1; },
       "Error while opening codec for input stream #0.1", 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    PipelineJob run;
    ASSERT_NO_FATAL_FAILURE(run.AddInput(fixtures::Path(Fixture::kAviMpeg4Mp3)));
    ASSERT_NO_FATAL_FAILURE(run.AddOutput(Path("out.mkv"), "vcodec=mpeg4\nacodec=mp2"));
    c.breakCodec(run.job);
    try {
      Transcode(run.job);
      ADD_FAILURE() << "the run did not fail";
    } catch (const FFMpegException& error) {
      EXPECT_EQ(error.what(), std::string(c.message));
    }
    EXPECT_EQ(run.job.run.OpenEncoders.size(), c.openEncoders);
    EXPECT_EQ(run.job.run.EncodeBuffer, nullptr);
    CloseOpenCodecs(run.job);
    EXPECT_TRUE(run.job.run.OpenEncoders.empty());
    EXPECT_TRUE(run.job.run.OpenDecoders.empty());
    EXPECT_EQ(run.job.outputFiles[0].streams[0].encoder, nullptr);
    run.job.ReleaseOptionState();
    EXPECT_FALSE(std::filesystem::exists(Path("out.mkv")));
  }
}

TEST_F(RunSetupTest, RtpOutputsAloneLogTheirSessionDescription) {
  for (const bool withFile : {false, true}) {
    SCOPED_TRACE(withFile ? "with a file output" : "rtp only");
    PipelineJob run;
    ASSERT_NO_FATAL_FAILURE(run.AddInput(fixtures::Path(Fixture::kMp3Only)));
    ASSERT_NO_FATAL_FAILURE(run.AddOutput("rtp://127.0.0.1:41234", "f=rtp\nacodec=copy"));
    if (withFile) {
      ASSERT_NO_FATAL_FAILURE(run.AddOutput(Path("out.mkv"), "acodec=copy"));
    }
    ParseOptionText(run.job, "t=0.2");
    ASSERT_EQ(run.Run(), "");
    int descriptions = 0;
    for (const std::string& line : run.lines) {
      if (!line.starts_with("SDP: ")) continue;
      ++descriptions;
      EXPECT_NE(line.find("m=audio"), std::string::npos) << line;
      EXPECT_NE(line.back(), '\n');
    }
    EXPECT_EQ(descriptions, withFile ? 0 : 1);
  }
}

}  // namespace
}  // namespace quorbel
