// The component's job list and scheduling with runs the test steers: the order jobs start in, how
// many run at once, stopping, pausing, failures and the end of the component.
#include <gtest/gtest.h>

#include "component_test_util.h"
#include "quorbel/library_binding.h"

extern "C" {
#include <libavutil/log.h>
}

namespace quorbel::testing {
namespace {

using fixtures::Fixture;

// A loop that notes the delay of every task posted to it.
class RecordingLoop : public PlainRunLoop {
 public:
  void PostDelayed(std::chrono::milliseconds delay, std::function<void()> task) override {
    {
      std::lock_guard lock(mutex_);
      delays_.push_back(delay);
    }
    PlainRunLoop::PostDelayed(delay, std::move(task));
  }
  std::vector<std::chrono::milliseconds> Delays() const {
    std::lock_guard lock(mutex_);
    return delays_;
  }

 private:
  mutable std::mutex mutex_;
  std::vector<std::chrono::milliseconds> delays_;  // guarded by mutex_
};

class SchedulingTest : public ::testing::Test {
 protected:
  SchedulingTest() : component_(std::make_unique<InspectableTranscoder>(&loop_)) {}

  void SetUp() override {
    ASSERT_TRUE(component_->LoadLibraries("", true)) << component_->LastError();
    component_->SetJobRunner(runs_.Runner());
    events_.Attach(*component_);
  }

  // Adds `count` jobs reading a fixture, each with an output in the scratch folder.
  void AddJobs(int count) {
    for (int i = 0; i < count; ++i) {
      const int32_t index = component_->AddJob(fixtures::Path(Fixture::kWavPcm), nullptr);
      ASSERT_EQ(index, i) << component_->LastError();
      ASSERT_TRUE(component_->SetJobOutput(index, folder_.Path("out" + std::to_string(i) + ".wav"), nullptr))
          << component_->LastError();
    }
  }
  TFFmpeg& Job(int32_t index) { return component_->Jobs()[index]; }
  // Pumps the loop until the batch has ended.
  void RunLoopToBatchEnd() {
    events_.OnEachTerminate([this](int32_t index) {
      if (index == -1) loop_.Quit();
    });
    loop_.Run();
  }

  static std::vector<int32_t> Indexes(const std::vector<TerminateEvent>& events) {
    std::vector<int32_t> indexes;
    for (const TerminateEvent& event : events) indexes.push_back(event.index);
    return indexes;
  }

  ScratchFolder folder_;
  RecordingLoop loop_;
  ScriptedRuns runs_;
  EventRecorder events_;
  std::unique_ptr<InspectableTranscoder> component_;
};

TEST_F(SchedulingTest, PropertiesAndTheirStoredValues) {
  EXPECT_EQ(component_->Version(), "2.0b");
  EXPECT_EQ(component_->LogLevel(), llInfo);
  EXPECT_EQ(component_->ThreadPriority(), tpNormal);
  EXPECT_EQ(component_->CodecThreads(), 0);
  EXPECT_EQ(component_->ProgressInterval(), 500);
  for (const auto& [given, stored] :
       std::vector<std::pair<int32_t, int32_t>>{{50, 100}, {100, 100}, {-5, 100}, {101, 101}, {2000, 2000}}) {
    component_->SetProgressInterval(given);
    EXPECT_EQ(component_->ProgressInterval(), stored) << given;
  }
  component_->SetCodecThreads(-3);
  EXPECT_EQ(component_->CodecThreads(), 0);

  component_->SetLogLevel(llDebug);
  EXPECT_EQ(av_log_get_level(), AV_LOG_DEBUG);
  component_->SetLogLevel(llInfo);
  EXPECT_EQ(av_log_get_level(), AV_LOG_INFO);
}

TEST_F(SchedulingTest, JobsTakeTheComponentSettingsWhenTheyStart) {
  AddJobs(1);
  component_->SetProgressInterval(250);
  component_->SetCodecThreads(3);
  component_->SetLogLevel(llDebug);
  runs_.ReleaseAll();
  component_->StartJobs(1);
  events_.AwaitBatchEnd();
  const std::vector<RunStart> starts = runs_.Starts();
  ASSERT_EQ(starts.size(), 1u);
  EXPECT_EQ(starts[0].progressIntervalUs, 250000);
  EXPECT_EQ(starts[0].codecThreads, 3);
  EXPECT_EQ(starts[0].verbosity, 2);
  component_->SetLogLevel(llInfo);
}

TEST_F(SchedulingTest, StartJobsZeroRunsJobsOneAfterAnotherFromTheLoop) {
  AddJobs(3);
  runs_.ReleaseAll();
  // Each job must still be waiting when the previous one reports its end.
  std::vector<size_t> startsAtTerminate;
  events_.OnEachTerminate([&](int32_t index) {
    if (index >= 0) startsAtTerminate.push_back(runs_.Starts().size());
    if (index == -1) loop_.Quit();
  });
  component_->StartJobs(0);
  EXPECT_TRUE(runs_.Starts().empty()) << "a job started before the loop ran";
  loop_.Run();

  const std::vector<RunStart> starts = runs_.Starts();
  ASSERT_EQ(starts.size(), 3u);
  for (int32_t i = 0; i < 3; ++i) {
    EXPECT_EQ(starts[static_cast<size_t>(i)].index, i);
    EXPECT_EQ(starts[static_cast<size_t>(i)].thread, std::this_thread::get_id()) << "job " << i;
  }
  EXPECT_EQ(startsAtTerminate, (std::vector<size_t>{1, 2, 3}));
  EXPECT_EQ(loop_.Delays(), std::vector<std::chrono::milliseconds>(3, std::chrono::milliseconds(100)));
  EXPECT_EQ(events_.Terminates(), (std::vector<TerminateEvent>{{0, true, false, "", {}},
                                                               {1, true, false, "", {}},
                                                               {2, true, false, "", {}},
                                                               {-1, true, false, "", {}}}));
}

TEST_F(SchedulingTest, StartJobsTwoRunsTwoAtOnceAndTheThirdAfterTheFirstEnds) {
  AddJobs(3);
  bool thirdStartedAtFirstEnd = true;
  bool thirdStartedAtSecondEnd = false;
  int ends = 0;
  events_.OnEachTerminate([&](int32_t index) {
    if (index < 0) return;
    const bool thirdStarted = Job(2).Running || Job(2).Terminated;
    if (++ends == 1) thirdStartedAtFirstEnd = thirdStarted;
    if (ends == 2) thirdStartedAtSecondEnd = thirdStarted;
  });
  component_->StartJobs(2);
  runs_.AwaitStarts(2);
  EXPECT_TRUE(Job(0).Running && Job(1).Running);
  EXPECT_FALSE(Job(2).Running || Job(2).Terminated);
  EXPECT_NE(runs_.Starts()[0].thread, runs_.Starts()[1].thread);

  runs_.Release(1);
  runs_.AwaitStarts(3);
  EXPECT_FALSE(thirdStartedAtFirstEnd);
  EXPECT_EQ(runs_.Starts()[2].index, 2);
  runs_.ReleaseAll();
  events_.AwaitBatchEnd();
  EXPECT_TRUE(thirdStartedAtSecondEnd);
  EXPECT_EQ(Indexes(events_.Terminates()).front(), 1);
  EXPECT_EQ(Indexes(events_.Terminates()).back(), -1);
  EXPECT_EQ(events_.Terminates().size(), 4u);
}

TEST_F(SchedulingTest, StopJobsBeforeAnyJobStartsEndsEveryJobOnce) {
  AddJobs(3);
  component_->StartJobs(0);
  component_->StopJobs();
  events_.AwaitBatchEnd();
  const std::vector<TerminateEvent> terminates = events_.Terminates();
  ASSERT_EQ(terminates.size(), 4u);
  std::multiset<int32_t> jobs;
  for (size_t i = 0; i < 3; ++i) {
    jobs.insert(terminates[i].index);
    EXPECT_FALSE(terminates[i].finished);
    EXPECT_FALSE(terminates[i].exception);
    EXPECT_EQ(terminates[i].message, "");
    EXPECT_NE(terminates[i].thread, std::this_thread::get_id()) << "ends of jobs never run come from threads";
  }
  EXPECT_EQ(jobs, (std::multiset<int32_t>{0, 1, 2}));
  EXPECT_EQ(terminates[3], (TerminateEvent{-1, true, false, "", {}}));

  // The start already posted to the loop finds nothing to start; a second StopJobs adds nothing.
  component_->StopJobs();
  loop_.PostDelayed(std::chrono::milliseconds(100), [this] { loop_.Quit(); });
  loop_.Run();
  EXPECT_TRUE(runs_.Starts().empty());
  EXPECT_EQ(events_.Terminates().size(), 4u);
}

TEST_F(SchedulingTest, StopJobsStopsRunningJobsAndCancelsPendingOnes) {
  AddJobs(3);
  component_->StartJobs(1);
  runs_.AwaitStarts(1);
  component_->StopJobs();
  runs_.Poke();
  events_.AwaitBatchEnd();
  EXPECT_EQ(runs_.Starts().size(), 1u);
  const std::vector<TerminateEvent> terminates = events_.Terminates();
  ASSERT_EQ(terminates.size(), 4u);
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_FALSE(terminates[i].finished);
    EXPECT_FALSE(terminates[i].exception);
  }
  EXPECT_EQ(terminates.back().index, -1);
}

TEST_F(SchedulingTest, PauseHoldsARunningJobAndResumeReleasesIt) {
  AddJobs(1);
  component_->StartJobs(1);
  runs_.AwaitStarts(1);
  component_->PauseJobs();
  runs_.Poke();
  ASSERT_TRUE(Job(0).pauseGate.AwaitHeld());
  // Released by the test, the run still cannot get past the gate.
  runs_.ReleaseAll();
  EXPECT_TRUE(Job(0).Running);
  EXPECT_FALSE(Job(0).Terminated);
  EXPECT_TRUE(events_.Terminates().empty());

  component_->ResumeJobs();
  events_.AwaitBatchEnd();
  EXPECT_EQ(events_.Terminates(),
            (std::vector<TerminateEvent>{{0, true, false, "", {}}, {-1, true, false, "", {}}}));
}

TEST_F(SchedulingTest, StopJobsReleasesAPausedJob) {
  AddJobs(1);
  component_->StartJobs(1);
  runs_.AwaitStarts(1);
  component_->PauseJobs();
  runs_.Poke();
  ASSERT_TRUE(Job(0).pauseGate.AwaitHeld());
  component_->StopJobs();
  events_.AwaitBatchEnd();
  EXPECT_EQ(events_.Terminates().front(), (TerminateEvent{0, false, false, "", {}}));
}

TEST_F(SchedulingTest, PauseLeavesAJobInTheCallersThreadAlone) {
  AddJobs(1);
  runs_.ReleaseAll();
  bool closedInsideRun = true;
  runs_.DoFirst(0, [&](TFFmpeg& job) {
    component_->PauseJobs();
    closedInsideRun = job.pauseGate.IsClosed();
  });
  component_->StartJobs(0);
  RunLoopToBatchEnd();
  EXPECT_FALSE(closedInsideRun);
  EXPECT_EQ(events_.Terminates().front(), (TerminateEvent{0, true, false, "", {}}));
}

TEST_F(SchedulingTest, AJobWithoutOutputFailsOnceThroughLogAndTerminate) {
  for (const int32_t parallel : {1, 0}) {
    SCOPED_TRACE(parallel);
    component_->ClearJobs();
    EventRecorder events;
    events.Attach(*component_);
    events.OnEachTerminate([this, parallel](int32_t index) {
      if (index == -1 && parallel == 0) loop_.Quit();
    });
    ASSERT_EQ(component_->AddJob(fixtures::Path(Fixture::kWavPcm), nullptr), 0);
    component_->StartJobs(parallel);
    if (parallel == 0) loop_.Run();
    events.AwaitBatchEnd();
    EXPECT_TRUE(runs_.Starts().empty());
    EXPECT_EQ(events.LogsOf(0),
              (std::vector<LogEvent>{{0, llQuiet, "Must supply at least one output file"}}));
    EXPECT_EQ(events.Terminates(),
              (std::vector<TerminateEvent>{{0, false, true, "Must supply at least one output file", {}},
                                           {-1, true, false, "", {}}}));
  }
}

TEST_F(SchedulingTest, AJobThatFailsToStartLetsTheNextOneStart) {
  AddJobs(1);
  ASSERT_EQ(component_->AddJob(fixtures::Path(Fixture::kWavPcm), nullptr), 1);  // no output
  ASSERT_EQ(component_->AddJob(fixtures::Path(Fixture::kWavPcm), nullptr), 2);
  ASSERT_TRUE(component_->SetJobOutput(2, folder_.Path("out2.wav"), nullptr));
  runs_.ReleaseAll();
  component_->StartJobs(1);
  events_.AwaitBatchEnd();
  EXPECT_EQ(Indexes(events_.Terminates()), (std::vector<int32_t>{0, 1, 2, -1}));
  EXPECT_TRUE(events_.Terminates()[1].exception);
  ASSERT_EQ(runs_.Starts().size(), 2u);
  EXPECT_EQ(runs_.Starts()[1].index, 2);
}

TEST_F(SchedulingTest, AFailedRunIsReportedAndCleanedUpCodecsFirst) {
  AddJobs(2);
  runs_.ThrowIn(0, "Video encoding failed");
  runs_.ReleaseAll();
  component_->StartJobs(1);
  events_.AwaitBatchEnd();
  EXPECT_EQ(events_.LogsOf(0), (std::vector<LogEvent>{{0, llQuiet, "Video encoding failed"}}));
  EXPECT_EQ(events_.Terminates(), (std::vector<TerminateEvent>{{0, false, true, "Video encoding failed", {}},
                                                               {1, true, false, "", {}},
                                                               {-1, true, false, "", {}}}));
  // Codecs were closed while the files still existed; afterwards everything is released.
  EXPECT_EQ(runs_.OutputsAtCodecClose(), (std::map<int32_t, size_t>{{0, 1}, {1, 1}}));
  EXPECT_TRUE(Job(0).outputFiles.empty());
  EXPECT_TRUE(Job(0).inputFiles.empty());
  // A job that ended never runs again.
  component_->StartJobs(1);
  EXPECT_EQ(runs_.Starts().size(), 2u);
}

TEST_F(SchedulingTest, DeleteJobRenumbersTheJobsAfterIt) {
  std::vector<std::string> inputs = {fixtures::Path(Fixture::kWavPcm), fixtures::Path(Fixture::kMp3Only),
                                     fixtures::Path(Fixture::kAudioOnly)};
  for (const std::string& input : inputs) ASSERT_GE(component_->AddJob(input, nullptr), 0);
  component_->DeleteJob(0);
  ASSERT_EQ(component_->JobCount(), 2);
  EXPECT_EQ(Job(0).Index, 0);
  EXPECT_EQ(Job(0).inputFiles.at(0).fileName, inputs[1]);
  EXPECT_EQ(Job(1).Index, 1);
  EXPECT_EQ(Job(1).inputFiles.at(0).fileName, inputs[2]);

  component_->DeleteJob(2);
  EXPECT_EQ(component_->LastError(), "List index out of bounds (2)");
  EXPECT_EQ(component_->JobCount(), 2);
  component_->ClearJobs();
  EXPECT_EQ(component_->JobCount(), 0);
  EXPECT_EQ(component_->LastError(), "");
}

TEST_F(SchedulingTest, StartJobsWithoutJobsReportsNothing) {
  component_->StartJobs(2);
  component_->StartJobs(0);
  loop_.PostDelayed(std::chrono::milliseconds(100), [this] { loop_.Quit(); });
  loop_.Run();
  EXPECT_TRUE(events_.Terminates().empty());
}

TEST_F(SchedulingTest, DestroyingTheComponentStopsRunningJobsAndWaitsForThem) {
  AddJobs(3);
  component_->StartJobs(2);
  runs_.AwaitStarts(2);
  component_->PauseJobs();
  runs_.Poke();
  ASSERT_TRUE(Job(0).pauseGate.AwaitHeld());
  ASSERT_TRUE(Job(1).pauseGate.AwaitHeld());
  component_.reset();
  // The two running jobs ended stopped; the one never started reports nothing.
  const std::vector<TerminateEvent> terminates = events_.Terminates();
  std::multiset<int32_t> ended;
  for (const TerminateEvent& event : terminates) {
    if (event.index >= 0) {
      ended.insert(event.index);
      EXPECT_FALSE(event.finished);
    }
  }
  EXPECT_EQ(ended, (std::multiset<int32_t>{0, 1}));
  EXPECT_EQ(runs_.Starts().size(), 2u);
}

TEST_F(SchedulingTest, DestroyingTheComponentCancelsStartsPostedToTheLoop) {
  AddJobs(1);
  component_->StartJobs(0);
  component_.reset();
  loop_.PostDelayed(std::chrono::milliseconds(100), [this] { loop_.Quit(); });
  loop_.Run();
  EXPECT_TRUE(runs_.Starts().empty());
}

TEST_F(SchedulingTest, StartJobsZeroWithoutALoopStartsNothing) {
  InspectableTranscoder component;
  component.SetJobRunner(runs_.Runner());
  ASSERT_EQ(component.AddJob(fixtures::Path(Fixture::kWavPcm), nullptr), 0);
  component.StartJobs(0);
  EXPECT_EQ(component.LastError(), "StartJobs(0) needs a run loop");
  EXPECT_TRUE(runs_.Starts().empty());
}

}  // namespace
}  // namespace quorbel::testing
