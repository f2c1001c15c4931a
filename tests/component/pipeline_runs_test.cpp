// The component with the engine's pipeline: jobs that copy the generated fixtures' streams into
// new containers, run one after another from the loop or on worker threads, paused and stopped
// part-way. Every output is checked by reading it again.
#include <gtest/gtest.h>

#include <map>

#include "component_test_util.h"
#include "read_back.h"

namespace quorbel::testing {
namespace {

using fixtures::Fixture;

class PipelineRunsTest : public ::testing::Test {
 protected:
  PipelineRunsTest() : component_(&loop_) {}

  void SetUp() override {
    ASSERT_TRUE(component_.LoadLibraries("", true)) << component_.LastError();
    events_.Attach(component_);
  }

  // A job copying every stream of `input` into `outputName`, with `more` options.
  void AddCopyJob(Fixture input, const std::string& outputName, const std::string& more = "") {
    const int32_t index = component_.AddJob(fixtures::Path(input), nullptr);
    ASSERT_GE(index, 0) << component_.LastError();
    TOutputOptions options;
    options.ExtOptions = "vcodec=copy\nacodec=copy\n" + more;
    ASSERT_TRUE(component_.SetJobOutput(index, folder_.Path(outputName), &options)) << component_.LastError();
  }

  // Calls `action` in the job's thread when a job logs the `count`th line that starts with
  // `prefix`. "Stream mapping:" comes at the end of the run's setup, before the first turn of its
  // main loop; with "dump", each packet read is logged ("stream #0:") before it is processed.
  void AtLogLine(const std::string& prefix, int count, std::function<void()> action) {
    component_.OnLog = [this, prefix, count, action](int32_t index, TLogLevel, const std::string& text) {
      if (index < 0 || text.rfind(prefix, 0) != 0 || ++linesSeen_ != count) return;
      action();
      acted_.Reach(1);
    };
  }

  ScratchFolder folder_;
  PlainRunLoop loop_;
  EventRecorder events_;
  InspectableTranscoder component_;
  int linesSeen_ = 0;  // only touched under the component's critical section
  Steps acted_;
};

TEST_F(PipelineRunsTest, StartJobsZeroCopiesThreeFilesOneAfterAnother) {
  AddCopyJob(Fixture::kAviMpeg4Mp3, "avi.mkv");
  AddCopyJob(Fixture::kMp4H264Aac, "mp4.mov");
  AddCopyJob(Fixture::kWavPcm, "wav.wav");
  events_.OnEachTerminate([this](int32_t index) {
    if (index == -1) loop_.Quit();
  });
  component_.StartJobs(0);
  loop_.Run();
  EXPECT_EQ(events_.Terminates(), (std::vector<TerminateEvent>{{0, true, false, "", {}},
                                                               {1, true, false, "", {}},
                                                               {2, true, false, "", {}},
                                                               {-1, true, false, "", {}}}));
  for (const auto& [name, streams] :
       std::vector<std::pair<std::string, size_t>>{{"avi.mkv", 2}, {"mp4.mov", 2}, {"wav.wav", 1}}) {
    const ReadBack output = ReadFile(folder_.Path(name));
    ASSERT_TRUE(output.opened) << name;
    EXPECT_EQ(output.streams.size(), streams) << name;
    for (size_t stream = 0; stream < streams; ++stream) {
      EXPECT_GT(output.PacketsOf(static_cast<int>(stream)), 10) << name << " stream " << stream;
    }
  }
}

TEST_F(PipelineRunsTest, PauseHoldsARunAndResumeLetsItFinish) {
  AddCopyJob(Fixture::kAviMpeg4Mp3, "paused.mkv");
  AtLogLine("Stream mapping:", 1, [this] { component_.PauseJobs(); });
  component_.StartJobs(1);
  acted_.Await(1);
  TFFmpeg& job = component_.Jobs()[0];
  ASSERT_TRUE(job.pauseGate.AwaitHeld());
  EXPECT_TRUE(job.Running);
  EXPECT_TRUE(events_.Terminates().empty());
  component_.ResumeJobs();
  events_.AwaitBatchEnd();
  EXPECT_EQ(events_.Terminates().front(), (TerminateEvent{0, true, false, "", {}}));
  const ReadBack output = ReadFile(folder_.Path("paused.mkv"));
  ASSERT_TRUE(output.opened);
  EXPECT_EQ(output.streams.size(), 2u);
  EXPECT_EQ(output.PacketsOf(0), 50);
}

TEST_F(PipelineRunsTest, AStoppedRunEndsUnfinishedWithItsOutputCompleteToTheStop) {
  component_.SetLogLevel(llDebug);
  AddCopyJob(Fixture::kAviMpeg4Mp3, "stopped.mp4", "dump");
  AddCopyJob(Fixture::kWavPcm, "never.wav");
  AtLogLine("stream #0:", 10, [this] { component_.StopJobs(); });
  component_.StartJobs(1);
  events_.AwaitBatchEnd();
  component_.SetLogLevel(llInfo);
  const std::vector<TerminateEvent> terminates = events_.Terminates();
  ASSERT_EQ(terminates.size(), 3u);
  std::map<int32_t, TerminateEvent> byJob;
  for (const TerminateEvent& event : terminates) byJob.emplace(event.index, event);
  EXPECT_EQ(byJob.at(0), (TerminateEvent{0, false, false, "", {}}));
  EXPECT_EQ(byJob.at(1), (TerminateEvent{1, false, false, "", {}}));
  EXPECT_EQ(terminates.back().index, -1);
  // MP4 writes its index with the trailer: the output opens only if the trailer was written.
  const ReadBack output = ReadFile(folder_.Path("stopped.mp4"));
  ASSERT_TRUE(output.opened);
  EXPECT_EQ(output.streams.size(), 2u);
  EXPECT_EQ(output.PacketsOf(0), 10) << "every packet read before the stop, none after";
  // The job that never ran keeps its empty output until it is freed.
  component_.ClearJobs();
  EXPECT_FALSE(std::filesystem::exists(folder_.Path("never.wav")));
}

TEST_F(PipelineRunsTest, AFailingRunReportsItsMessageOnceAndEndsWithTheExceptionFlag) {
  const int32_t index = component_.AddJob(fixtures::Path(Fixture::kAviMpeg4Mp3), nullptr);
  ASSERT_EQ(index, 0) << component_.LastError();
  TOutputOptions options;
  options.ExtOptions = "vcodec=copy\nacodec=copy\nmap=0:0\nmap=0:5";
  ASSERT_TRUE(component_.SetJobOutput(0, folder_.Path("failed.mkv"), &options)) << component_.LastError();
  component_.StartJobs(1);
  events_.AwaitBatchEnd();
  const std::string message = "Could not find input stream #0.5";
  EXPECT_EQ(events_.Terminates(),
            (std::vector<TerminateEvent>{{0, false, true, message, {}}, {-1, true, false, "", {}}}));
  std::vector<LogEvent> quiet;
  for (const LogEvent& line : events_.LogsOf(0)) {
    if (line.level == llQuiet) quiet.push_back(line);
  }
  EXPECT_EQ(quiet, (std::vector<LogEvent>{{0, llQuiet, message}}));
  EXPECT_FALSE(std::filesystem::exists(folder_.Path("failed.mkv"))) << "an empty output is deleted";
}

}  // namespace
}  // namespace quorbel::testing
