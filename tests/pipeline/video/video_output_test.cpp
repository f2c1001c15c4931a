// EncodeVideo frame by frame on a real encoder: frame-rate control with its counters and log
// lines, the frame limit, stop requests, and the picture fields handed to the encoder.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "../pipeline_test_util.h"
#include "pipeline/encoder_output.h"
#include "pipeline/run_setup.h"
#include "pipeline/subtitle_output.h"
#include "pipeline/video_output.h"
#include "pipeline/video_sync.h"
#include "video_test_util.h"

namespace quorbel {
namespace {

using fixtures::Fixture;
using testing::PipelineJob;

constexpr int64_t kFrameUs = 40000;  // 25 frames per second, the encoders' rate here

TEST(VideoSyncTest, FrameRateControlByMethodAndClockDistance) {
  const AVRational pal{1, 25};
  const struct {
    int32_t vsync;
    AVRational timeBase;
    double syncSeconds;
    int64_t syncPos;
    int64_t count, newSyncPos;
    bool controlled;
  } cases[] = {
      {-1, pal, 0.00, 0, 1, 0, true},              // in step
      {-1, pal, 0.12, 0, 3, 0, true},              // 3 frame periods ahead: the frame fills the gap
      {-1, pal, 0.06, 0, 2, 0, true},              // 1.5 periods: rounded to even
      {-1, pal, 0.04, 0, 1, 0, true},              // 1 period ahead is within the tolerance
      {-1, pal, 0.00, 2, 0, 2, true},              // more than 1.1 periods behind: dropped
      {-1, pal, 0.00, 1, 1, 1, true},              // 1 period behind is within the tolerance
      {1, pal, 0.20, 0, 5, 0, true},               // 1 always controls
      {0, pal, 0.20, 0, 1, 5, false},              // 0: once, the position follows the input
      {0, pal, 0.00, 9, 1, 9, false},              // ... but never back to a position already taken
      {2, pal, 0.20, 0, 1, 5, true},               // 2: no duplicates, the position jumps
      {2, pal, 0.00, 2, 0, 2, true},               // ... but drops
      {2, pal, 0.04, 2, 0, 2, true},               // ... also a frame whose position is taken
      {-1, {1, 90000}, 0.20, 0, 1, 18000, false},  // fine time base: no control
      {1, {1, 90000}, 0.20, 0, 18000, 0, true},
      {-1, {0, 1}, 0.20, 3, 1, 3, false},  // no time base at all
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message()
                 << "vsync " << c.vsync << " at " << c.syncSeconds << " s, pos " << c.syncPos);
    const VideoSyncDecision decision = DecideVideoSync(c.vsync, c.timeBase, c.syncSeconds, c.syncPos);
    EXPECT_EQ(decision.count, c.count);
    EXPECT_EQ(decision.syncPos, c.newSyncPos);
    EXPECT_EQ(decision.controlled, c.controlled);
  }
}

class VideoOutputTest : public testing::PipelineTest {
 protected:
  // A prepared run writing the video of the AVI fixture (160x120) to `name` with the options.
  void Start(const std::string& options, const std::string& name = "out.mkv") {
    ASSERT_NO_FATAL_FAILURE(run_.AddInput(fixtures::Path(Fixture::kAviMpeg4Mp3)));
    ASSERT_NO_FATAL_FAILURE(run_.AddOutput(Path(name), "an\n" + options));
    PrepareRun(run_.job, tables_);
    StartOutputs(run_.job);
    picture_ = testing::MakePicture(AV_PIX_FMT_YUV420P, 160, 120, 128);
  }
  TOutputStreamState& Ost() { return *tables_.OutputStreams[0]; }
  // EncodeVideo with the sync stream's clock at `ptsUs`.
  int Encode(int64_t ptsUs) {
    TInputStreamState& ist = *tables_.InputStreams[0];
    ist.Pts = ptsUs;
    return EncodeVideo(run_.job, OutputContext(run_.job, Ost()), Ost(), ist, *picture_);
  }
  void Finish() {
    DrainEncoder(run_.job, OutputContext(run_.job, Ost()), Ost());
    ASSERT_GE(av_write_trailer(OutputContext(run_.job, Ost())), 0);
    tables_ = RunTables();
    run_.job.SetVerbosity(1);
    run_.job.ReleaseOptionState();
  }
  void TearDown() override {
    tables_ = RunTables();
    testing::PipelineTest::TearDown();
  }

  PipelineJob run_;
  RunTables tables_;
  FramePtr picture_;
};

TEST_F(VideoOutputTest, GapsAreFilledAndFramesThatComeTooEarlyAreDropped) {
  ASSERT_NO_FATAL_FAILURE(Start("vcodec=mpeg4"));
  run_.job.SetVerbosity(3);
  const struct {
    int64_t ptsUs;
    int32_t frameNumber, dup, drop;
    int64_t syncPos;
  } steps[] = {
      {0, 1, 0, 0, 1},
      {4 * kFrameUs, 4, 2, 0, 4},  // 3 periods ahead of the next position: emitted 3 times
      {2 * kFrameUs, 4, 2, 1, 4},  // 2 periods behind: dropped
      {4 * kFrameUs + 10000, 5, 2, 1, 5},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(step.ptsUs);
    Encode(step.ptsUs);
    EXPECT_EQ(Ost().FrameNumber, step.frameNumber);
    EXPECT_EQ(Ost().SyncPos, step.syncPos);
    EXPECT_EQ(run_.job.run.DupFrames, step.dup);
    EXPECT_EQ(run_.job.run.DropFrames, step.drop);
  }
  EXPECT_EQ(run_.CountLogged("*** 2 dup!"), 1);
  EXPECT_EQ(run_.CountLogged("*** drop!"), 1);
  ASSERT_NO_FATAL_FAILURE(Finish());

  const testing::DecodedVideo output = testing::DecodeVideo(Path("out.mkv"));
  ASSERT_EQ(output.frames, 5);
  for (int i = 0; i < 5; ++i) EXPECT_NEAR(output.pictures[static_cast<size_t>(i)].seconds, 0.04 * i, 0.002);
}

TEST_F(VideoOutputTest, WithoutControlTheOutputFollowsTheInputClockQuietly) {
  ASSERT_NO_FATAL_FAILURE(Start("vcodec=mpeg4\nvsync=0"));
  run_.job.SetVerbosity(3);
  Encode(0);
  Encode(5 * kFrameUs);  // a gap: no duplicates, the frame moves to its own time
  EXPECT_EQ(Ost().FrameNumber, 2);
  EXPECT_EQ(Ost().SyncPos, 6);
  EXPECT_EQ(run_.job.run.DupFrames, 0);
  EXPECT_EQ(run_.CountLogged("*** 4 dup!"), 0);
  ASSERT_NO_FATAL_FAILURE(Finish());
  const testing::DecodedVideo output = testing::DecodeVideo(Path("out.mkv"));
  ASSERT_EQ(output.frames, 2);
  EXPECT_NEAR(output.pictures[1].seconds, 0.2, 0.002);
}

TEST_F(VideoOutputTest, TheFrameLimitCutsDuplicatesAndLaterFrames) {
  ASSERT_NO_FATAL_FAILURE(Start("vcodec=mpeg4\nvframes=3"));
  Encode(0);
  Encode(5 * kFrameUs);  // 5 copies asked, 2 left
  EXPECT_EQ(Ost().FrameNumber, 3);
  EXPECT_EQ(Encode(6 * kFrameUs), 0);
  EXPECT_EQ(Ost().FrameNumber, 3);
  ASSERT_NO_FATAL_FAILURE(Finish());
  EXPECT_EQ(testing::DecodeVideo(Path("out.mkv"), false).frames, 3);
}

TEST_F(VideoOutputTest, AStopRequestEndsDuplicationBeforeTheNextCopy) {
  ASSERT_NO_FATAL_FAILURE(Start("vcodec=mpeg4"));
  run_.job.SetVerbosity(3);
  Encode(0);
  // The request arrives while the frame is about to be emitted 5 times.
  run_.job.LogCallback = [this](TCustomFFmpeg& job, int, const std::string& text) {
    run_.lines.push_back(text);
    if (text == "*** 4 dup!") job.StopRequested = true;
  };
  EXPECT_EQ(Encode(6 * kFrameUs), 0);
  EXPECT_EQ(Ost().FrameNumber, 1);
  EXPECT_EQ(Ost().SyncPos, 1);
  EXPECT_EQ(run_.CountLogged("*** 4 dup!"), 1);
  ASSERT_NO_FATAL_FAILURE(Finish());
  EXPECT_EQ(testing::DecodeVideo(Path("out.mkv"), false).frames, 1);
}

TEST_F(VideoOutputTest, QualityComesFromTheStreamOrWithSameqFromTheInput) {
  const struct {
    const char* options;
    float inputQuality;
    int32_t coded;
  } cases[] = {
      {"vcodec=mpeg4\nqscale=5", 0.0f, 5 * FF_QP2LAMBDA},
      {"vcodec=mpeg4\nsameq", 3 * FF_QP2LAMBDA, 3 * FF_QP2LAMBDA},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.options);
    run_.job.ResetOptionState();
    run_.lines.clear();
    ASSERT_NO_FATAL_FAILURE(Start(c.options));
    tables_.InputStreams[0]->Quality = c.inputQuality;
    EXPECT_GT(Encode(0), 0);
    EXPECT_EQ(Ost().CodedQuality, c.coded);
    ASSERT_NO_FATAL_FAILURE(Finish());
  }
}

TEST_F(VideoOutputTest, TheInputPictureTypeIsKeptOnlyWithAMotionThreshold) {
  for (const bool threshold : {false, true}) {
    SCOPED_TRACE(threshold);
    run_.job.ResetOptionState();
    ASSERT_NO_FATAL_FAILURE(Start(threshold ? "vcodec=mpeg4\nme_threshold=1" : "vcodec=mpeg4"));
    picture_->pict_type = AV_PICTURE_TYPE_I;
    Encode(0);
    Encode(kFrameUs);
    EXPECT_EQ(Ost().CodedPictureType, threshold ? AV_PICTURE_TYPE_I : AV_PICTURE_TYPE_P);
    ASSERT_NO_FATAL_FAILURE(Finish());
  }
}

TEST_F(VideoOutputTest, InterlacedCodingTakesTheFieldOrderFromTopOrTheInput) {
  const struct {
    const char* top;
    int inputTopFieldFirst;
    int expected;
  } cases[] = {{"top=1", 0, 1}, {"top=0", 1, 0}, {"top=-1", 1, 1}, {"top=-1", 0, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.top << ", input " << c.inputTopFieldFirst);
    run_.job.ResetOptionState();
    ASSERT_NO_FATAL_FAILURE(Start(std::string("vcodec=mpeg2video\nflags=+ildct\n") + c.top, "out.m2v"));
    picture_->interlaced_frame = 1;
    picture_->top_field_first = c.inputTopFieldFirst;
    Encode(0);
    ASSERT_NO_FATAL_FAILURE(Finish());
    const testing::DecodedVideo output = testing::DecodeVideo(Path("out.m2v"));
    ASSERT_EQ(output.frames, 1);
    EXPECT_TRUE(output.pictures[0].interlaced);
    EXPECT_EQ(output.pictures[0].topFieldFirst, c.expected == 1);
  }
}

// A stream may change its picture size mid-way: the new size is scaled into the encoder's
// picture (never read as if it had the old one), and a picture too small for the crop bands is
// skipped.
TEST_F(VideoOutputTest, PicturesOfAnotherSizeAreScaledAndOnesTooSmallToCropAreSkipped) {
  ASSERT_NO_FATAL_FAILURE(Start("vcodec=mpeg4\nqscale=2\ncropleft=8\ncropright=8"));
  EXPECT_FALSE(Ost().VideoResample);
  Encode(0);
  picture_ = testing::MakePicture(AV_PIX_FMT_YUV420P, 80, 60, 128);
  std::memset(picture_->data[0], 200, static_cast<size_t>(picture_->linesize[0]) * 60);
  Encode(kFrameUs);
  picture_ = testing::MakePicture(AV_PIX_FMT_YUV420P, 16, 16, 128);
  EXPECT_EQ(Encode(2 * kFrameUs), 0);
  EXPECT_EQ(run_.CountLogged("error cropping picture"), 1);
  EXPECT_EQ(Ost().FrameNumber, 2);
  ASSERT_NO_FATAL_FAILURE(Finish());
  const testing::DecodedVideo output = testing::DecodeVideo(Path("out.mkv"));
  ASSERT_EQ(output.frames, 2);
  EXPECT_EQ(output.pictures[1].width, 144);
  EXPECT_EQ(output.pictures[1].height, 120);
  EXPECT_NEAR(output.pictures[1].Mean('y', 8, 8, 128, 104), 200, 3);
}

TEST(SubtitleOutputTest, ASubtitleWithoutPtsIsSkippedWithALogLine) {
  TCustomFFmpeg job;
  std::vector<std::string> lines;
  job.LogCallback = [&](TCustomFFmpeg&, int level, const std::string& text) {
    if (level == 0) lines.push_back(text);
  };
  TOutputStreamState ost;
  TInputStreamState ist;
  const AVSubtitle subtitle{};
  EncodeSubtitle(job, nullptr, ost, ist, subtitle, AV_NOPTS_VALUE);
  EXPECT_EQ(lines, std::vector<std::string>{"Subtitle packets must have a pts"});
}

}  // namespace
}  // namespace quorbel
