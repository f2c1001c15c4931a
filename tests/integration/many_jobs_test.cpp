// Fifty short jobs through the component in one process, two at a time, copying and encoding
// from several fixtures: every job ends well and every output reads back. Under
// AddressSanitizer the process exit then checks that no job left memory behind.
#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>

#include "pipeline_test_util.h"
#include "quorbel/transcoder.h"

namespace quorbel {
namespace {

using fixtures::Fixture;
using testing::Inspect;

class ManyJobsTest : public testing::PipelineTest {};

TEST_F(ManyJobsTest, FiftyShortJobsInOneProcess) {
  constexpr int kJobs = 50;
  const struct {
    Fixture input;
    const char* extension;
    const char* options;
  } kinds[] = {
      {Fixture::kAviMpeg4Mp3, "mkv", "vcodec=mpeg4\nacodec=mp2\nt=0.3"},
      {Fixture::kMp4H264Aac, "mkv", "vcodec=copy\nacodec=copy\nt=0.3"},
      {Fixture::kWavPcm, "mp2", "acodec=mp2\nt=0.3"},
      {Fixture::kFlvFlv1Mp3, "avi", "vcodec=mpeg4\ns=80x60\nan\nt=0.3"},
      {Fixture::kMp4H264Aac, "wav", "vn\nar=8000\nac=1\nt=0.3"},
  };
  std::mutex mutex;
  std::condition_variable changed;
  int finished = 0;                   // guarded by mutex
  bool ended = false;                 // guarded by mutex
  std::vector<std::string> failures;  // guarded by mutex
  std::vector<std::string> outputs;
  {
    TTranscoder transcoder;
    ASSERT_TRUE(transcoder.LoadLibraries("", true)) << transcoder.LastError();
    transcoder.SetLogLevel(llError);
    transcoder.OnTerminate = [&](int32_t index, bool done, bool exception, const std::string& message) {
      std::lock_guard lock(mutex);
      if (index < 0) {
        ended = true;
        changed.notify_all();
      } else if (done && !exception) {
        ++finished;
      } else {
        failures.push_back(std::to_string(index) + ": " + message);
      }
    };
    for (int i = 0; i < kJobs; ++i) {
      const auto& kind = kinds[i % std::size(kinds)];
      outputs.push_back(Path("out" + std::to_string(i) + "." + kind.extension));
      const int32_t index = transcoder.AddJob(fixtures::Path(kind.input), nullptr);
      ASSERT_EQ(index, i) << transcoder.LastError();
      TOutputOptions options;
      options.ExtOptions = kind.options;
      ASSERT_TRUE(transcoder.SetJobOutput(index, outputs.back(), &options)) << transcoder.LastError();
    }
    transcoder.StartJobs(2);
    std::unique_lock lock(mutex);
    changed.wait(lock, [&] { return ended; });
  }
  EXPECT_EQ(finished, kJobs);
  EXPECT_TRUE(failures.empty()) << failures.front();
  for (const std::string& output : outputs) {
    const auto summary = Inspect(output);
    ASSERT_TRUE(summary.opened) << output;
    for (const auto& stream : summary.streams) {
      EXPECT_GT(stream.frames, 0) << output;
      EXPECT_EQ(stream.decodeErrors, 0) << output;
    }
  }
}

}  // namespace
}  // namespace quorbel
