// Progress reports and statistics of whole runs on the generated fixtures: copied and encoded
// video, audio only; the outputs are read back to check what the last report said.
#include <cctype>
#include <filesystem>
#include <fstream>

#include "base/text.h"
#include "pipeline_test_util.h"

namespace quorbel {
namespace {

using fixtures::Fixture;
using testing::Inspect;
using testing::PipelineJob;

struct Report {
  int32_t frame, fps, durationMs;
  float quality;
  int64_t sizeBytes;
  int32_t totalMs;
};

// The text with its spaces removed and every number (digits with a decimal point) as "N".
std::string Shape(const std::string& text) {
  std::string shape;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == ' ') continue;
    if (std::isdigit(static_cast<unsigned char>(text[i])) == 0) {
      shape += text[i];
      continue;
    }
    while (i + 1 < text.size() &&
           (std::isdigit(static_cast<unsigned char>(text[i + 1])) != 0 || text[i + 1] == '.'))
      ++i;
    shape += 'N';
  }
  return shape;
}

class ProgressRunTest : public testing::PipelineTest {
 protected:
  // Runs with a report after every packet; returns the failure, empty on success.
  std::string Convert(Fixture input, const std::string& output, const std::string& options, bool callback) {
    PipelineJob run;
    run.AddInput(fixtures::Path(input));
    run.AddOutput(Path(output), options);
    run.job.CodecThreads = 1;
    run.job.ProgressIntervalUs = -1;
    if (callback) {
      run.job.ProgressCallback = [this](TCustomFFmpeg&, int32_t frame, int32_t fps, int32_t durationMs,
                                        float quality, float, int64_t size, int32_t totalMs) {
        reports_.push_back({frame, fps, durationMs, quality, size, totalMs});
      };
    }
    const std::string failure = run.Run();
    lines_ = run.lines;
    return failure;
  }

  std::vector<Report> reports_;
  std::vector<std::string> lines_;
};

TEST_F(ProgressRunTest, ReportsFollowTheRun) {
  const struct {
    Fixture input;
    const char* output;
    const char* options;
    bool video;
    bool copied;
  } cases[] = {
      {Fixture::kMp4H264Aac, "copy.mkv", "vcodec=copy\nacodec=copy", true, true},
      {Fixture::kAudioOnly, "audio.wav", "acodec=pcm_s16le", false, false},
      {Fixture::kAviMpeg4Mp3, "encoded.avi", "vcodec=mpeg4\nqscale=4\nacodec=mp2", true, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.output);
    reports_.clear();
    ASSERT_EQ(Convert(c.input, c.output, c.options, true), "");
    ASSERT_GE(reports_.size(), 2u);
    const auto summary = Inspect(Path(c.output));
    ASSERT_TRUE(summary.opened);
    const fixtures::FixtureInfo& info = fixtures::Info(c.input);
    for (size_t i = 0; i < reports_.size(); ++i) {
      const Report& report = reports_[i];
      EXPECT_EQ(report.totalMs, reports_.front().totalMs);
      if (!c.video) {
        EXPECT_EQ(report.frame, -1);
        EXPECT_EQ(report.fps, -1);
      } else {
        EXPECT_GE(report.frame, 1);
        EXPECT_GE(report.fps, 0);
      }
      if (!c.video || c.copied) {
        EXPECT_FLOAT_EQ(report.quality, -1.0f);
      }
      if (i == 0) continue;
      EXPECT_GE(report.frame, reports_[i - 1].frame);
      EXPECT_GE(report.sizeBytes, reports_[i - 1].sizeBytes);
    }
    const Report& last = reports_.back();
    EXPECT_NEAR(last.totalMs, info.durationMs, 150);
    // The output stream furthest behind ends where the content ends.
    EXPECT_NEAR(last.durationMs, info.lengthMs, 150);
    EXPECT_EQ(last.sizeBytes, static_cast<int64_t>(std::filesystem::file_size(Path(c.output))));
    if (c.video) {
      const auto& video = summary.First(AVMEDIA_TYPE_VIDEO);
      // Copied: packets; encoded: frames handed to the encoder, each of which was written.
      EXPECT_EQ(last.frame, c.copied ? video.packets : video.frames);
      if (!c.copied) {
        EXPECT_FLOAT_EQ(last.quality, 4.0f);
      }
    }
  }
}

TEST_F(ProgressRunTest, LinesStatisticsAndHistogramOfAnEncodedRun) {
  const std::string stats = Path("stats.log");
  ASSERT_EQ(Convert(Fixture::kAviMpeg4Mp3, "out.avi",
                    "vcodec=mpeg4\nqscale=6\npsnr\nqphist\nacodec=mp2\nvstats_file=" + stats, false),
            "");
  std::vector<std::string> reportLines;
  std::string summaryLine;
  for (const std::string& line : lines_) {
    if (line.rfind("frame=", 0) == 0) reportLines.push_back(line);
    if (line.rfind("video:", 0) == 0) summaryLine = line;
  }
  // Without a progress callback every report is a line; only the last one carries "L".
  ASSERT_GE(reportLines.size(), 2u);
  for (size_t i = 0; i + 1 < reportLines.size(); ++i) {
    EXPECT_EQ(reportLines[i].find(" L"), std::string::npos) << reportLines[i];
  }
  std::string last = reportLines.back();
  const size_t mark = last.find("q=6.0 L");
  ASSERT_NE(mark, std::string::npos) << last;
  const std::string histogram = last.substr(mark + 7, 32);
  EXPECT_EQ(histogram.find_first_not_of("0123456789ABCDEF"), std::string::npos) << last;
  last.erase(mark + 7, 32);
  EXPECT_EQ(Shape(last), "frame=Nfps=Nq=NLPSNR=Y:NU:NV:N*:Nsize=NkBtime=Nbitrate=Nkbits/s") << last;
  EXPECT_EQ(Shape(summaryLine), "video:NkBaudio:NkBglobalheaders:NkBmuxingoverheadN%\r\n") << summaryLine;
  EXPECT_EQ(summaryLine.find("video:0kB"), std::string::npos) << summaryLine;
  EXPECT_EQ(summaryLine.find("audio:0kB"), std::string::npos) << summaryLine;

  const int frames = Inspect(Path("out.avi")).First(AVMEDIA_TYPE_VIDEO).frames;
  std::ifstream file(stats);
  int count = 0;
  for (std::string line; std::getline(file, line); ++count) {
    EXPECT_EQ(Shape(line), "frame=Nq=NPSNR=Nf_size=Ns_size=NkBtime=Nbr=Nkbits/savg_br=Nkbits/stype=" +
                               line.substr(line.size() - 1))
        << line;
    EXPECT_NE(line.find(" q= 6.0 "), std::string::npos) << line;
    EXPECT_NE(std::string("IPB").find(line.back()), std::string::npos) << line;
    EXPECT_EQ(line.rfind("frame= " + StrPrintf("%5d", count + 1), 0), 0u) << line;
  }
  EXPECT_EQ(count, frames);
}

TEST_F(ProgressRunTest, UncreatableStatisticsFileFailsTheRun) {
  const std::string stats = Path("missing/stats.log");
  EXPECT_EQ(Convert(Fixture::kAviMpeg4Mp3, "out.avi", "vcodec=mpeg4\nan\nvstats_file=" + stats, false),
            "fopen fail: " + stats);
}

}  // namespace
}  // namespace quorbel
