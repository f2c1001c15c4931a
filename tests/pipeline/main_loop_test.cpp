// Timestamp corrections of the main loop: the file's offset, the stream's scale and folding a
// discontinuity into the offset.
#include "pipeline/main_loop.h"
#include "pipeline/run_setup.h"
#include "pipeline_test_util.h"

namespace quorbel {
namespace {

TEST(CorrectTimestampsTest, AppliesOffsetAndScaleAndClosesDiscontinuities) {
  constexpr int64_t kSecond = 90000;  // the transport stream's time base
  const struct {
    const char* name;
    int64_t offsetUs;
    double scale;
    bool copyTimestamps;
    int64_t dts, pts;
    int64_t expectedDts, expectedPts, expectedOffsetUs;
  } cases[] = {
      {"in step", 0, 0.0, false, kSecond, kSecond, kSecond, kSecond, 0},
      {"offset", 2000000, 0.0, false, -kSecond, -kSecond, kSecond, kSecond, 2000000},
      {"scale", 0, 2.0, false, kSecond / 2, kSecond / 2 + 1, kSecond, kSecond + 2, 0},
      {"jump forward", 0, 0.0, false, 61 * kSecond, 61 * kSecond + 3600, kSecond, kSecond + 3600, -60000000},
      {"small step back behind the clock", 0, 0.0, false, kSecond / 2, kSecond / 2, kSecond, kSecond, 500000},
      {"jump kept with copyts", 0, 0.0, true, 61 * kSecond, 61 * kSecond, 61 * kSecond, 61 * kSecond, 0},
      {"no dts", 0, 0.0, false, AV_NOPTS_VALUE, 61 * kSecond, AV_NOPTS_VALUE, 61 * kSecond, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    testing::PipelineJob run;
    ASSERT_NO_FATAL_FAILURE(run.AddInput(fixtures::Path(fixtures::Fixture::kMpegTsDtsJump)));
    run.job.settings.copyTimestamps = c.copyTimestamps;
    run.job.settings.timestampScales[0][0] = c.scale;
    run.job.inputFiles[0].timestampOffsetUs = c.offsetUs;
    RunTables tables;
    BuildInputTables(run.job, tables);
    TInputStreamState& ist = *tables.InputStreams[0];
    ASSERT_EQ(av_cmp_q(ist.Stream->time_base, AVRational{1, kSecond}), 0);
    ist.Pts = 960000;  // the stream was at 0.96 s and expects its next packet at 1 s
    ist.NextPts = 1000000;
    const PacketPtr packet = MakePacket();
    packet->dts = c.dts;
    packet->pts = c.pts;
    CorrectTimestamps(run.job, 0, ist, *packet);
    EXPECT_EQ(packet->dts, c.expectedDts);
    EXPECT_EQ(packet->pts, c.expectedPts);
    EXPECT_EQ(run.job.inputFiles[0].timestampOffsetUs, c.expectedOffsetUs);
  }
}

}  // namespace
}  // namespace quorbel
