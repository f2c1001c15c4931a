// WriteVideoStats on hand-built run tables: the statistics line and the file's creation.
#include <filesystem>
#include <fstream>
#include <sstream>

#include "pipeline/video_stats.h"
#include "progress/report_fixture.h"
#include "quorbel/exceptions.h"

namespace quorbel {
namespace {

class VideoStatsTest : public testing::ReportFixture {
 protected:
  void SetUp() override {
    folder_ = std::filesystem::temp_directory_path() / ("quorbel-vstats-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder_);
    job.settings.vstatsFileName = (folder_ / "stats.log").string();
  }
  void TearDown() override {
    job.run.VideoStatsFile.reset();
    std::filesystem::remove_all(folder_);
  }
  std::string StatsText() {
    job.run.VideoStatsFile.reset();  // flushes and closes, as the end of the run does
    std::ifstream file(job.settings.vstatsFileName);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
  }

  std::filesystem::path folder_;
};

TEST_F(VideoStatsTest, OneLinePerEncodedFrame) {
  job.run.VideoBytes = 10240;
  TOutputStreamState& ost = AddStream(AVMEDIA_TYPE_VIDEO, true, 0, 3, 4.0f);
  ost.SyncPos = 50;  // two seconds at 1/25
  ost.CodedPictureType = AV_PICTURE_TYPE_I;
  WriteVideoStats(job, nullptr, ost, 1000);
  ost.FrameNumber = 4;
  ost.SyncPos = 0;  // the time is held at 10 ms
  ost.CodedPictureType = AV_PICTURE_TYPE_P;
  ost.Output->encoder->flags |= AV_CODEC_FLAG_PSNR;
  ost.CodedError[0] = static_cast<int64_t>(64.0 * 48.0 * 255.0 * 255.0 / 1000);
  WriteVideoStats(job, nullptr, ost, 96);
  EXPECT_EQ(
      StatsText(),
      "frame=     3 q= 4.0 f_size=   1000 s_size=       10kB time= 2.000 br=   200.0kbits/s "
      "avg_br=    41.0kbits/s type= I\n"
      "frame=     4 q= 4.0 PSNR=  30.00 f_size=     96 s_size=       10kB time= 0.010 br=    19.2kbits/s "
      "avg_br=  8192.0kbits/s type= P\n");
}

TEST_F(VideoStatsTest, OtherStreamsOnlyCreateTheFile) {
  TOutputStreamState& ost = AddStream(AVMEDIA_TYPE_AUDIO, true, 0, 3, 4.0f);
  WriteVideoStats(job, nullptr, ost, 400);
  EXPECT_TRUE(std::filesystem::exists(job.settings.vstatsFileName));
  EXPECT_EQ(StatsText(), "");
}

TEST_F(VideoStatsTest, UncreatableFileEndsTheRun) {
  job.settings.vstatsFileName = (folder_ / "missing" / "stats.log").string();
  TOutputStreamState& ost = AddStream(AVMEDIA_TYPE_VIDEO, true, 0, 1, 2.0f);
  try {
    WriteVideoStats(job, nullptr, ost, 10);
    FAIL() << "no exception";
  } catch (const FFMpegException& error) {
    EXPECT_EQ(std::string(error.what()), "fopen fail: " + job.settings.vstatsFileName);
  }
}

}  // namespace
}  // namespace quorbel
