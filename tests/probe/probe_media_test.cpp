// The probe reads every generated fixture as its table describes it, and a few real files
// written by other software.
#include <gtest/gtest.h>

#include <cmath>

#include "quorbel/fixtures.h"
#include "quorbel/library_binding.h"
#include "quorbel/probe.h"

extern "C" {
#include <libavutil/avutil.h>
}

namespace quorbel::fixtures {

void PrintTo(const FixtureInfo& info, std::ostream* out) {
  *out << info.fileName;
}

namespace {

constexpr double kDurationToleranceUs = 100e3;

class ProbeFixtureTest : public testing::TestWithParam<FixtureInfo> {
 protected:
  static void SetUpTestSuite() { ASSERT_TRUE(binding::LoadLibraries(true)); }
  TAVProbe probe_;
};

TEST_P(ProbeFixtureTest, ReportsWhatTheFileHolds) {
  const FixtureInfo& expected = GetParam();
  const std::string path = Dir() + "/" + expected.fileName;
  if (expected.demuxer.empty()) {
    EXPECT_FALSE(probe_.LoadFile(path));
    EXPECT_EQ(probe_.LastError().rfind(path + ": ", 0), 0u) << probe_.LastError();
    return;
  }
  ASSERT_TRUE(probe_.LoadFile(path)) << probe_.LastError();
  EXPECT_EQ(probe_.ContainerName(), expected.demuxer);
  EXPECT_EQ(probe_.StreamCount(), static_cast<int32_t>(expected.streams.size()));
  EXPECT_EQ(probe_.ProgramCount(), expected.muxer == "mpegts" ? 1 : 0);
  EXPECT_EQ(probe_.VideoStreamCount(), expected.Count(StreamKind::kVideo));
  EXPECT_EQ(probe_.AudioStreamCount(), expected.Count(StreamKind::kAudio));
  EXPECT_EQ(probe_.SubtitleStreamCount(), expected.Count(StreamKind::kSubtitle));
  EXPECT_EQ(probe_.FirstVideoStream(), expected.First(StreamKind::kVideo));
  EXPECT_EQ(probe_.FirstAudioStream(), expected.First(StreamKind::kAudio));
  EXPECT_EQ(probe_.FirstSubtitleStream(), expected.First(StreamKind::kSubtitle));

  TAVFileInfo file;
  probe_.GetFileInfo(file);
  if (expected.durationMs < 0) {
    EXPECT_LT(file.Duration, 0);
  } else {
    EXPECT_NEAR(static_cast<double>(file.Duration), expected.durationMs * 1000.0, kDurationToleranceUs);
  }

  const int videoIndex = expected.First(StreamKind::kVideo);
  if (videoIndex < 0) return;
  const FixtureStream& video = expected.streams[static_cast<size_t>(videoIndex)];
  TAVVideoInfo info;
  probe_.GetVideoInfo(info);
  EXPECT_EQ(info.CodecName.Str(), video.codec);
  EXPECT_EQ(info.Width, video.width);
  EXPECT_EQ(info.Height, video.height);
  EXPECT_EQ(info.FrameRateNum, video.frameRate.num);
  EXPECT_EQ(info.FrameRateDen, video.frameRate.den);
  const double aspect =
      static_cast<double>(video.width) * video.sampleAspect.num / video.sampleAspect.den / video.height;
  EXPECT_NEAR(info.AspectRatio, aspect, 1e-4);
}

std::string TestName(const testing::TestParamInfo<FixtureInfo>& param) {
  std::string name = param.param.fileName;
  for (char& c : name) {
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  }
  return name;
}

INSTANTIATE_TEST_SUITE_P(Fixtures, ProbeFixtureTest, testing::ValuesIn(AllFixtures()), TestName);

struct SampleCase {
  const char* file;
  int32_t streams, video, audio, subtitle;
  int32_t width, height, rateNum, rateDen;
  double aspect;
  int64_t durationMs;
  const char* title;
};

TEST(ProbeSampleTest, RealFilesFromOtherSoftware) {
  ASSERT_TRUE(binding::LoadLibraries(true));
  TAVProbe probe;
  for (const SampleCase& c : {
           SampleCase{"mpeg4_mp3.avi", 2, 1, 1, 0, 960, 400, 24000, 1001, 2.4, 4087, ""},
           SampleCase{"camcorder_ntsc.dv", 3, 1, 2, 0, 720, 480, 30000, 1001, 4.0 / 3.0, 167, ""},
           SampleCase{"glass_wmv1_wmav2.wmv", 2, 1, 1, 0, 320, 240, 15, 1, 0.0, 29433, "Glass"},
           SampleCase{"h264_dvbsub_eac3.ts", 6, 1, 3, 2, 1920, 1080, 25, 1, 16.0 / 9.0, 1906, ""},
           SampleCase{"mpeg2_mp2.ps", 3, 1, 1, 0, 640, 426, 25, 1, 1.5023, 131, ""},  // 3rd: a private stream
           SampleCase{"pcm_s16be.au", 1, 0, 1, 0, -1, -1, -1, -1, -1.0, 2937, ""},
       }) {
    SCOPED_TRACE(c.file);
    ASSERT_TRUE(probe.LoadFile(SamplePath(c.file))) << probe.LastError();
    EXPECT_EQ(probe.StreamCount(), c.streams);
    EXPECT_EQ(probe.VideoStreamCount(), c.video);
    EXPECT_EQ(probe.AudioStreamCount(), c.audio);
    EXPECT_EQ(probe.SubtitleStreamCount(), c.subtitle);
    TAVFileInfo file;
    probe.GetFileInfo(file);
    EXPECT_NEAR(static_cast<double>(file.Duration) / 1000.0, static_cast<double>(c.durationMs), 1.0);
    EXPECT_EQ(file.Title.Str(), c.title);
    TAVVideoInfo video;
    probe.GetVideoInfo(video);
    EXPECT_EQ(video.Width, c.width);
    EXPECT_EQ(video.Height, c.height);
    EXPECT_EQ(video.FrameRateNum, c.rateNum);
    EXPECT_EQ(video.FrameRateDen, c.rateDen);
    EXPECT_NEAR(video.AspectRatio, c.aspect, 1e-4);
  }
}

}  // namespace
}  // namespace quorbel::fixtures
