// TAVProbe's behaviour at its edges: no file, failed loads, missing or wrong streams, the
// fields of its two records.
#include "quorbel/probe.h"

#include <gtest/gtest.h>

#include "log_capture.h"
#include "quorbel/fixtures.h"
#include "quorbel/library_binding.h"

extern "C" {
#include <libavutil/avutil.h>
#include <libavutil/pixfmt.h>
}

namespace quorbel {
namespace {

using fixtures::Fixture;
using fixtures::Path;

class ProbeTest : public testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_TRUE(binding::LoadLibraries(true)); }

  void ExpectNoFile() const {
    EXPECT_EQ(probe_.StreamCount(), -1);
    EXPECT_EQ(probe_.ProgramCount(), -1);
    EXPECT_EQ(probe_.AudioStreamCount(), -1);
    EXPECT_EQ(probe_.VideoStreamCount(), -1);
    EXPECT_EQ(probe_.SubtitleStreamCount(), -1);
    EXPECT_EQ(probe_.FirstAudioStream(), -1);
    EXPECT_EQ(probe_.FirstVideoStream(), -1);
    EXPECT_EQ(probe_.FirstSubtitleStream(), -1);
    EXPECT_EQ(probe_.FormatName(), "");
    EXPECT_EQ(probe_.ContainerName(), "");
  }

  // The log lines of one video info request, with the record it left.
  std::vector<LogLine> VideoInfoLog(int32_t index, TAVVideoInfo& info) const {
    const LogCapture capture;
    probe_.GetVideoStreamInfo(index, info);
    return capture.ContextFreeLines();
  }

  TAVProbe probe_;
};

void ExpectDefaults(const TAVVideoInfo& info) {
  EXPECT_EQ(info.Width, -1);
  EXPECT_EQ(info.Height, -1);
  EXPECT_EQ(info.FrameRateNum, -1);
  EXPECT_EQ(info.FrameRateDen, -1);
  EXPECT_EQ(info.AspectRatio, -1.0f);
  EXPECT_EQ(info.PixelFormat, -1);
  EXPECT_EQ(info.StartTimeUs, -1);
  EXPECT_EQ(info.DurationUs, -1);
  EXPECT_TRUE(info.CodecName.Empty());
}

void ExpectDefaults(const TAVFileInfo& info) {
  EXPECT_EQ(info.StartTime, -1);
  EXPECT_EQ(info.Duration, -1);
  EXPECT_EQ(info.BitRate, -1);
  EXPECT_EQ(info.Timestamp, -1);
  EXPECT_EQ(info.Year, -1);
  EXPECT_EQ(info.Track, -1);
  EXPECT_TRUE(info.Title.Empty());
  EXPECT_TRUE(info.Genre.Empty());
}

TEST_F(ProbeTest, WithoutAFileEveryNumberIsMinusOneAndRequestsLogWhy) {
  ExpectNoFile();
  TAVFileInfo fileInfo;
  fileInfo.Year = 1999;  // whatever the caller left there is reset
  std::vector<LogLine> lines;
  {
    const LogCapture capture;
    probe_.GetFileInfo(fileInfo);
    lines = capture.ContextFreeLines();
  }
  ExpectDefaults(fileInfo);
  EXPECT_EQ(lines, (std::vector<LogLine>{{AV_LOG_INFO, "file not loaded.\n"}}));

  TAVVideoInfo videoInfo;
  EXPECT_EQ(VideoInfoLog(0, videoInfo), (std::vector<LogLine>{{AV_LOG_INFO, "file not loaded.\n"}}));
  ExpectDefaults(videoInfo);
}

TEST_F(ProbeTest, CloseForgetsTheFile) {
  ASSERT_TRUE(probe_.LoadFile(Path(Fixture::kAviMpeg4Mp3), "avi"));
  EXPECT_EQ(probe_.FormatName(), "avi");
  probe_.Close();
  ExpectNoFile();
  TAVFileInfo info;
  probe_.GetFileInfo(info);
  ExpectDefaults(info);
}

TEST_F(ProbeTest, MissingFileFailsWithTheNoSuchFileText) {
  ASSERT_TRUE(probe_.LoadFile(Path(Fixture::kAviMpeg4Mp3)));
  const std::string missing = testing::TempDir() + "quorbel_no_such_clip.avi";
  EXPECT_FALSE(probe_.LoadFile(missing));
  EXPECT_EQ(probe_.LastError(), missing + ": no such file or directory");
  ExpectNoFile();  // the file opened before is closed too
}

TEST_F(ProbeTest, UnknownForcedFormatFailsBeforeTheFileIsTouched) {
  EXPECT_FALSE(probe_.LoadFile(testing::TempDir() + "quorbel_no_such_clip.avi", "nosuchformat"));
  EXPECT_EQ(probe_.LastError(), "Unknown input format: nosuchformat");
  ExpectNoFile();
}

TEST_F(ProbeTest, UnreadableFilesFailWithAMessage) {
  struct Case {
    std::string path;
    std::string error;
  };
  for (const Case& c : {
           Case{Path(Fixture::kTruncated), Path(Fixture::kTruncated) + ": Error while parsing header"},
           Case{Path(Fixture::kRandomBytes),
                Path(Fixture::kRandomBytes) + ": could not find codec parameters"},
           Case{fixtures::SamplePath("broken_corrupt.mkv"),
                fixtures::SamplePath("broken_corrupt.mkv") + ": Error while parsing header"},
           Case{fixtures::SamplePath("broken_crafted_loop.wma"),
                fixtures::SamplePath("broken_crafted_loop.wma") + ": Error while parsing header"},
       }) {
    EXPECT_FALSE(probe_.LoadFile(c.path)) << c.path;
    EXPECT_EQ(probe_.LastError(), c.error);
    ExpectNoFile();
  }
}

TEST_F(ProbeTest, AudioOnlyFileHasNoVideoToDescribe) {
  ASSERT_TRUE(probe_.LoadFile(Path(Fixture::kMp3Only)));
  EXPECT_EQ(probe_.VideoStreamCount(), 0);
  EXPECT_EQ(probe_.FirstVideoStream(), -1);
  TAVVideoInfo info;
  EXPECT_EQ(VideoInfoLog(-1, info), (std::vector<LogLine>{{AV_LOG_WARNING, "no video stream.\n"}}));
  ExpectDefaults(info);
}

TEST_F(ProbeTest, WrongStreamIndexLogsWhy) {
  ASSERT_TRUE(probe_.LoadFile(Path(Fixture::kAviMpeg4Mp3)));
  ASSERT_EQ(probe_.StreamCount(), 2);
  struct Case {
    int32_t index;
    const char* line;
  };
  for (const Case& c : {Case{5, "stream index #5 is invalid.\n"}, Case{2, "stream index #2 is invalid.\n"},
                        Case{1, "stream #1 is not video stream.\n"}}) {
    TAVVideoInfo info;
    EXPECT_EQ(VideoInfoLog(c.index, info), (std::vector<LogLine>{{AV_LOG_WARNING, c.line}}));
    ExpectDefaults(info);
  }
}

TEST_F(ProbeTest, VideoInfoDescribesTheStream) {
  ASSERT_TRUE(probe_.LoadFile(Path(Fixture::kVideoOnly)));
  TAVVideoInfo info;
  EXPECT_TRUE(VideoInfoLog(0, info).empty());
  EXPECT_EQ(info.CodecName.Str(), "h264");
  EXPECT_EQ(info.Width, 160);
  EXPECT_EQ(info.Height, 120);
  EXPECT_EQ(info.PixelFormat, AV_PIX_FMT_YUV420P);
  EXPECT_GT(info.BitRate, 0);
  EXPECT_EQ(info.StartTime, 0);
  EXPECT_EQ(info.StartTimeUs, 0);
  EXPECT_GT(info.Duration, 0);
  EXPECT_NEAR(static_cast<double>(info.DurationUs), 3e6, 50e3);

  ASSERT_TRUE(probe_.LoadFile(Path(Fixture::kTwoAudio)));
  probe_.GetVideoInfo(info);
  EXPECT_EQ(info.Language.Str(), "fre");
  EXPECT_EQ(info.CodecName.Str(), "mpeg4");
  // Matroska gives no per-stream duration: the raw value is passed on, the microseconds stay -1.
  EXPECT_EQ(info.Duration, AV_NOPTS_VALUE);
  EXPECT_EQ(info.DurationUs, -1);
  // Its time base is the millisecond.
  EXPECT_EQ(info.StartTimeUs, info.StartTime * 1000);
}

TEST_F(ProbeTest, FrameRateAndAspect) {
  struct Case {
    Fixture fixture;
    int32_t rateNum, rateDen;
    float aspect;
  };
  for (const Case& c : {
           Case{Fixture::kNtscRate, 30000, 1001, 4.0f / 3.0f},
           Case{Fixture::kSquare640x480, 25, 1, 4.0f / 3.0f},
           Case{Fixture::kAnamorphic, 25, 1, 160.0f * 16 / 11 / 120},
           Case{Fixture::kAsfVideoOnly, 25, 1, 0.0f},  // wmv2 carries no sample aspect: 0/1
       }) {
    ASSERT_TRUE(probe_.LoadFile(Path(c.fixture)));
    TAVVideoInfo info;
    probe_.GetVideoInfo(info);
    EXPECT_EQ(info.FrameRateNum, c.rateNum) << fixtures::Info(c.fixture).fileName;
    EXPECT_EQ(info.FrameRateDen, c.rateDen);
    EXPECT_NEAR(info.AspectRatio, c.aspect, 1e-4);
  }
}

TEST_F(ProbeTest, FileInfoCarriesTheContainerMetadata) {
  for (const Fixture fixture : {Fixture::kMp3Only, Fixture::kMp4H264Aac}) {
    ASSERT_TRUE(probe_.LoadFile(Path(fixture)));
    TAVFileInfo info;
    probe_.GetFileInfo(info);
    SCOPED_TRACE(fixtures::Info(fixture).fileName);
    EXPECT_EQ(info.Title.Str(), fixtures::kMetadata.title);
    EXPECT_EQ(info.Author.Str(), fixtures::kMetadata.artist);
    EXPECT_EQ(info.Rights.Str(), fixtures::kMetadata.copyright);
    EXPECT_EQ(info.Comment.Str(), fixtures::kMetadata.comment);
    EXPECT_EQ(info.Album.Str(), fixtures::kMetadata.album);
    EXPECT_EQ(info.Genre.Str(), fixtures::kMetadata.genre);
    EXPECT_EQ(info.Year, 2008);
    EXPECT_EQ(info.Track, 3);
    EXPECT_NEAR(static_cast<double>(info.Duration), 2e6, 100e3);
    EXPECT_GT(info.BitRate, 0);
  }
  TAVFileInfo info;
  probe_.GetFileInfo(info);
  EXPECT_EQ(info.Timestamp, 1209643200);  // 2008-05-01T12:00:00Z
}

TEST_F(ProbeTest, FileInfoWithoutMetadata) {
  ASSERT_TRUE(probe_.LoadFile(Path(Fixture::kWavPcm)));
  TAVFileInfo info;
  probe_.GetFileInfo(info);
  EXPECT_TRUE(info.Title.Empty());
  EXPECT_TRUE(info.Author.Empty());
  EXPECT_EQ(info.Year, 0);
  EXPECT_EQ(info.Track, 0);
  EXPECT_EQ(info.Timestamp, 0);
  EXPECT_EQ(info.StartTime, AV_NOPTS_VALUE) << "a missing start is passed on as the no-value marker";
  EXPECT_EQ(info.Duration, 2000000);
}

}  // namespace
}  // namespace quorbel
