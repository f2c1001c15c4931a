// ReportProgress on hand-built run tables: the values of the progress callback, the report line
// and the summary after the last report.
#include <cmath>

#include "pipeline/progress.h"
#include "progress/report_fixture.h"

namespace quorbel {
namespace {

using testing::ReportFixture;

class ReportProgressTest : public ReportFixture {};

TEST_F(ReportProgressTest, FramesPerSecondCountFromTheSecondSecond) {
  struct Case {
    int64_t elapsedUs;
    int32_t frames;
    int32_t fps;
  };
  const Case cases[] = {
      // Long runs, so that the moments between setting the clock and reading it cannot move the
      // rate across a rounding step.
      {500000, 12, 0},        // less than one second: no rate yet
      {100000000, 2510, 25},  // 25.1 frames a second, rounded
      {100000000, 3770, 38},  // 37.7 rounds up
  };
  WireProgress();
  AddStream(AVMEDIA_TYPE_VIDEO, true, 1000);
  for (const Case& c : cases) {
    tables.OutputStreams.front()->FrameNumber = c.frames;
    job.run.TimerStart = av_gettime() - c.elapsedUs;
    ReportProgress(job, tables, false);
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.back().frame, c.frames);
    EXPECT_EQ(calls.back().fps, c.fps) << c.frames << " frames";
  }
}

TEST_F(ReportProgressTest, NothingIsReportedBeforeTheFirstVideoFrame) {
  WireProgress();
  AddStream(AVMEDIA_TYPE_AUDIO, true, 2000);
  AddStream(AVMEDIA_TYPE_VIDEO, true, 1000, 0);
  ReportProgress(job, tables, false);
  ReportProgress(job, tables, true);
  EXPECT_TRUE(calls.empty());
  EXPECT_TRUE(lines.empty()) << lines.front();
}

TEST_F(ReportProgressTest, AudioOnlyGivesMinusOneForTheVideoValues) {
  WireProgress();
  SetOutputSize(3000);
  job.TotalOutputDuration = 5000;
  AddStream(AVMEDIA_TYPE_AUDIO, true, 1000);
  ReportProgress(job, tables, false);
  ASSERT_EQ(calls.size(), 1u);
  const auto& call = calls.front();
  EXPECT_EQ(call.frame, -1);
  EXPECT_EQ(call.fps, -1);
  EXPECT_FLOAT_EQ(call.quality, -1.0f);
  EXPECT_EQ(call.durationMs, 1000);
  EXPECT_EQ(call.sizeBytes, 3000);
  EXPECT_FLOAT_EQ(call.bitRate, 24.0f);
  EXPECT_EQ(call.totalDurationMs, 5000);

  job.ProgressCallback = nullptr;
  ReportProgress(job, tables, false);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines.front(), "size=       3kB time=1.00 bitrate=  24.0kbits/s");
}

// The position is that of the output stream furthest behind; streams that have written nothing
// yet do not count, and a position below 10 ms counts as 10 ms.
TEST_F(ReportProgressTest, DurationIsTheSmallestPositivePosition) {
  struct Case {
    std::vector<int64_t> endTs;
    int32_t durationMs;
  };
  const Case cases[] = {
      {{2000, 1500, 0}, 1500},
      {{AV_NOPTS_VALUE, 2500}, 2500},
      {{-40, 700}, 700},
      {{4, 900}, 10},
  };
  WireProgress();
  for (const Case& c : cases) {
    tables.OutputStreams.clear();
    for (const int64_t end : c.endTs) AddStream(AVMEDIA_TYPE_AUDIO, true, end);
    ReportProgress(job, tables, false);
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.back().durationMs, c.durationMs) << c.endTs.size() << " streams";
  }
}

// Before any stream has a position, duration and bit rate are 0 rather than ten thousand
// million seconds.
TEST_F(ReportProgressTest, NoPositionYetReportsZero) {
  WireProgress();
  SetOutputSize(2048);
  AddStream(AVMEDIA_TYPE_VIDEO, false, AV_NOPTS_VALUE, 3);
  ReportProgress(job, tables, false);
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls.front().durationMs, 0);
  EXPECT_FLOAT_EQ(calls.front().bitRate, 0.0f);
  EXPECT_EQ(calls.front().sizeBytes, 2048);

  job.ProgressCallback = nullptr;
  ReportProgress(job, tables, false);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines.front(), "frame=    3 fps=  0 q=-1.0 size=       2kB time=0.00 bitrate=   0.0kbits/s");
}

TEST_F(ReportProgressTest, SecondVideoStreamAddsOnlyItsQuantiser) {
  SetOutputSize(1024);
  AddStream(AVMEDIA_TYPE_VIDEO, false, 2000, 12);
  AddStream(AVMEDIA_TYPE_AUDIO, true, 2000);
  AddStream(AVMEDIA_TYPE_VIDEO, true, 2000, 40, 5.0f);
  ReportProgress(job, tables, false);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines.front(),
            "frame=   12 fps=  0 q=-1.0 q=5.0 size=       1kB time=2.00 bitrate=   4.1kbits/s");
}

// Which of line, callback and summary a report produces, by verbosity, callback and last.
TEST_F(ReportProgressTest, LineCallbackAndSummaryByVerbosity) {
  struct Case {
    int32_t verbosity;
    bool callback;
    bool last;
    bool line;
    bool summary;
  };
  const Case cases[] = {
      {0, false, false, false, false},  // quiet during the run
      {0, false, true, true, true},     // the last report is always made
      {1, false, false, true, false},
      {1, true, false, false, false},  // a callback takes the place of the line
      {1, true, true, false, true},    // ... but not of the summary
      {-1, false, true, false, false},
      {-1, true, true, false, false},
  };
  AddStream(AVMEDIA_TYPE_VIDEO, true, 1000, 5, 3.0f);
  for (const Case& c : cases) {
    lines.clear();
    calls.clear();
    job.SetVerbosity(c.verbosity);
    job.ProgressCallback = nullptr;
    if (c.callback) WireProgress();
    ReportProgress(job, tables, c.last);
    const std::string what = "verbosity " + std::to_string(c.verbosity) + (c.callback ? " callback" : "") +
                             (c.last ? " last" : "");
    EXPECT_EQ(calls.size(), c.callback ? 1u : 0u) << what;
    size_t reportLines = 0;
    size_t summaries = 0;
    for (const std::string& line : lines) {
      if (line.rfind("frame=", 0) == 0) ++reportLines;
      if (line.rfind("video:", 0) == 0) ++summaries;
    }
    EXPECT_EQ(reportLines, c.line ? 1u : 0u) << what;
    EXPECT_EQ(summaries, c.summary ? 1u : 0u) << what;
  }
}

TEST_F(ReportProgressTest, LastReportMarksTheLineAndSummarisesTheBytes) {
  SetOutputSize(3000);
  job.SetVerbosity(2);
  job.run.DupFrames = 3;
  job.run.DropFrames = 1;
  job.run.VideoBytes = 2048;
  job.run.AudioBytes = 700;
  AddStream(AVMEDIA_TYPE_VIDEO, true, 500, 7, 2.0f);
  ReportProgress(job, tables, true);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0],
            "frame=    7 fps=  0 q=2.0 Lsize=       3kB time=0.50 bitrate=  48.0kbits/s dup=3 drop=1");
  // (3000 - 2748) x 100 / 2748 with two decimals.
  EXPECT_EQ(lines[1], "video:2kB audio:1kB global headers:0kB muxing overhead 9.17%\r\n");
}

TEST_F(ReportProgressTest, SummaryWithoutPacketBytesHasNoOverhead) {
  SetOutputSize(100);
  AddStream(AVMEDIA_TYPE_AUDIO, true, 500);
  ReportProgress(job, tables, true);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[1], "video:0kB audio:0kB global headers:0kB muxing overhead unknown\r\n");
}

TEST_F(ReportProgressTest, QuantiserHistogramCountsEveryReportedFrame) {
  job.settings.qpHistogram = true;
  AddStream(AVMEDIA_TYPE_VIDEO, true, 1000, 4, 7.0f);
  const int32_t before = QpHistogramCount(7);
  ReportProgress(job, tables, false);
  ReportProgress(job, tables, false);
  EXPECT_EQ(QpHistogramCount(7), before + 2);
  EXPECT_EQ(QpHistogramCount(-1), 0);
  EXPECT_EQ(QpHistogramCount(52), 0);

  ASSERT_EQ(lines.size(), 2u);
  const std::string prefix = "frame=    4 fps=  0 q=7.0 ";
  ASSERT_EQ(lines[1].rfind(prefix, 0), 0u) << lines[1];
  const std::string digits = lines[1].substr(prefix.size(), 32);
  EXPECT_EQ(digits.find_first_not_of("0123456789ABCDEF"), std::string::npos) << digits;
  EXPECT_EQ(lines[1].substr(prefix.size() + 32, 5), "size=");
  const auto shown = static_cast<int>(std::lrint(std::log2(QpHistogramCount(7) + 1)));
  EXPECT_EQ(std::stoi(digits.substr(7, 1), nullptr, 16), shown);
}

TEST_F(ReportProgressTest, PsnrOfTheLastFrameAndOfTheWholeRun) {
  TOutputStreamState& ost = AddStream(AVMEDIA_TYPE_VIDEO, true, 1000, 10, 2.0f);
  AVCodecContext* enc = ost.Output->encoder.get();
  enc->flags |= AV_CODEC_FLAG_PSNR;
  const double lumaScale = 64.0 * 48.0 * 255.0 * 255.0;
  // 20 dB per plane for the last frame; 30 dB for Y and 10 dB for U and V over the ten frames.
  ost.CodedError = {static_cast<int64_t>(lumaScale / 100), static_cast<int64_t>(lumaScale / 400),
                    static_cast<int64_t>(lumaScale / 400)};
  enc->error[0] = static_cast<uint64_t>(lumaScale * 10 / 1000);
  enc->error[1] = static_cast<uint64_t>(lumaScale * 10 / 4 / 10);
  enc->error[2] = enc->error[1];
  ReportProgress(job, tables, false);
  ReportProgress(job, tables, true);
  ASSERT_GE(lines.size(), 2u);
  EXPECT_NE(lines[0].find("q=2.0 PSNR=Y:20.00 U:20.00 V:20.00 *:20.00 size="), std::string::npos) << lines[0];
  // All planes: (s/100 + 2 x s/4) / (10 s + 2 x 2.5 s) = 0.034 -> 14.69 dB.
  EXPECT_NE(lines[1].find("q=2.0 LPSNR=Y:30.00 U:10.00 V:10.00 *:14.69 size="), std::string::npos)
      << lines[1];
}

}  // namespace
}  // namespace quorbel
