// Jobs running at the same time, each in its own thread: codec opening and closing share one
// lock, everything else of a run belongs to its job.
#include <thread>

#include "pipeline_test_util.h"

namespace quorbel {
namespace {

using fixtures::Fixture;

class PipelineConcurrencyTest : public testing::PipelineTest {};

TEST_F(PipelineConcurrencyTest, JobsInParallelThreadsEachProduceTheirOutput) {
  const struct {
    Fixture input;
    const char* output;
  } jobs[] = {
      {Fixture::kAviMpeg4Mp3, "a.mkv"},
      {Fixture::kMpegTsDtsJump, "b.mp4"},
      {Fixture::kTwoAudio, "c.mov"},
  };
  std::vector<testing::PipelineJob> runs(std::size(jobs));
  for (size_t i = 0; i < std::size(jobs); ++i) {
    ASSERT_NO_FATAL_FAILURE(runs[i].AddInput(fixtures::Path(jobs[i].input)));
    ASSERT_NO_FATAL_FAILURE(runs[i].AddOutput(Path(jobs[i].output), "vcodec=copy\nacodec=copy"));
  }
  std::vector<std::string> failures(std::size(jobs));
  std::vector<std::thread> threads;
  for (size_t i = 0; i < std::size(jobs); ++i) {
    threads.emplace_back([&, i] { failures[i] = runs[i].Run(); });
  }
  for (std::thread& thread : threads) thread.join();
  for (size_t i = 0; i < std::size(jobs); ++i) {
    SCOPED_TRACE(jobs[i].output);
    EXPECT_EQ(failures[i], "");
    EXPECT_TRUE(runs[i].job.Finished);
    const testing::MediaSummary output = testing::Inspect(Path(jobs[i].output));
    EXPECT_GT(output.First(AVMEDIA_TYPE_VIDEO).frames, 0);
    EXPECT_EQ(output.First(AVMEDIA_TYPE_VIDEO).decodeErrors, 0);
    EXPECT_GT(output.First(AVMEDIA_TYPE_AUDIO).frames, 0);
  }
}

}  // namespace
}  // namespace quorbel
