// Configuring jobs: failures that end in LastError with their texts, the records' file names, the
// hook wiring, the event dispatchers, loading the libraries and the worker threads' priority.
#include <gtest/gtest.h>
#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <tuple>

#include "base/text.h"
#include "component_test_util.h"
#include "quorbel/library_binding.h"

namespace quorbel::testing {
namespace {

using fixtures::Fixture;

class ConfigurationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(component_.LoadLibraries("", true)) << component_.LastError();
    component_.SetJobRunner(runs_.Runner());
  }
  TFFmpeg& Job(int32_t index) { return component_.Jobs()[index]; }

  ScratchFolder folder_;
  ScriptedRuns runs_;
  InspectableTranscoder component_;
};

TEST_F(ConfigurationTest, AddJobFailuresReachLastError) {
  const std::string missing = folder_.Path("missing.avi");
  TInputOptions badDuration;
  badDuration.ExtOptions = "ss=abc";
  TInputOptions badFormat;
  badFormat.ForceFormat = "nosuchformat";
  const struct {
    std::string file;
    const TInputOptions* options;
    std::string error;
  } cases[] = {
      {missing, nullptr, missing + ": no such file or directory"},
      {fixtures::Path(Fixture::kWavPcm), &badDuration, "Invalid duration specification for ss: abc"},
      {fixtures::Path(Fixture::kWavPcm), &badFormat, "Unknown input format: nosuchformat"},
  };
  for (const auto& testCase : cases) {
    EXPECT_EQ(component_.AddJob(testCase.file, testCase.options), -1) << testCase.error;
    EXPECT_EQ(component_.LastError(), testCase.error);
  }
  EXPECT_EQ(component_.JobCount(), 0);
}

TEST_F(ConfigurationTest, TheRecordsFileNameWinsAndAnEmptyOneTakesTheArgument) {
  TInputOptions options;
  ASSERT_EQ(component_.AddJob(fixtures::Path(Fixture::kWavPcm), &options), 0);
  EXPECT_EQ(Job(0).InputOptions.FileName, fixtures::Path(Fixture::kWavPcm));
  EXPECT_EQ(options.FileName, "") << "the caller's record is the caller's";

  options.FileName = fixtures::Path(Fixture::kMp3Only);
  ASSERT_EQ(component_.AddJob(fixtures::Path(Fixture::kWavPcm), &options), 1);
  EXPECT_EQ(Job(1).inputFiles.at(0).fileName, fixtures::Path(Fixture::kMp3Only));

  TOutputOptions output;
  output.FileName = folder_.Path("named.wav");
  ASSERT_TRUE(component_.SetJobOutput(0, folder_.Path("ignored.wav"), &output)) << component_.LastError();
  EXPECT_EQ(Job(0).outputFiles.at(0).fileName, folder_.Path("named.wav"));
}

TEST_F(ConfigurationTest, SetJobOutputFailuresReachLastError) {
  ASSERT_EQ(component_.AddJob(fixtures::Path(Fixture::kWavPcm), nullptr), 0);
  TOutputOptions badDuration;
  badDuration.ExtOptions = "t=abc";
  const std::string unknown = folder_.Path("out.unknownformat");
  const std::string unwritable = folder_.Path("no/such/folder/out.wav");
  const struct {
    int32_t index;
    std::string file;
    const TOutputOptions* options;
    std::string error;
  } cases[] = {
      {1, folder_.Path("out.wav"), nullptr, "List index out of bounds (1)"},
      {-1, folder_.Path("out.wav"), nullptr, "List index out of bounds (-1)"},
      {0, unknown, nullptr, "Unable to find a suitable output format for '" + unknown + "'"},
      {0, unwritable, nullptr, "Could not open '" + unwritable + "'"},
      {0, folder_.Path("out.wav"), &badDuration, "Invalid duration specification for t: abc"},
  };
  for (const auto& testCase : cases) {
    EXPECT_FALSE(component_.SetJobOutput(testCase.index, testCase.file, testCase.options)) << testCase.error;
    EXPECT_EQ(component_.LastError(), testCase.error);
  }
  EXPECT_TRUE(Job(0).outputFiles.empty());
}

TEST_F(ConfigurationTest, TheOutputRecordsHookFlagsChooseTheHook) {
  std::vector<std::tuple<int32_t, int64_t>> beforeHookCalls;
  component_.OnBeforeHook = [&](int32_t index, int64_t pts, THookAction& action) {
    beforeHookCalls.emplace_back(index, pts);
    action = haStop;
  };
  TOutputOptions custom;
  custom.CustomHook = true;
  custom.BeforeHook = true;
  TOutputOptions before;
  before.BeforeHook = true;
  before.HookRangeText = "0-1000";
  TOutputOptions ranges;
  ranges.HookRangeText = "0-1000";
  const TOutputOptions* records[] = {&custom, &before, &ranges};
  for (int32_t index = 0; index < 3; ++index) {
    ASSERT_EQ(component_.AddJob(fixtures::Path(Fixture::kWavPcm), nullptr), index);
    ASSERT_TRUE(
        component_.SetJobOutput(index, folder_.Path("out" + std::to_string(index) + ".wav"), records[index]))
        << component_.LastError();
  }
  EXPECT_TRUE(Job(0).CustomHookCallback);
  EXPECT_FALSE(Job(0).BeforeHookCallback);

  EXPECT_FALSE(Job(1).CustomHookCallback);
  ASSERT_TRUE(Job(1).BeforeHookCallback);
  EXPECT_TRUE(Job(1).hooks.HookRanges.empty());
  THookAction action = haContinue;
  Job(1).BeforeHookCallback(Job(1), action, 40000);
  EXPECT_EQ(action, haStop);
  EXPECT_EQ(beforeHookCalls, (std::vector<std::tuple<int32_t, int64_t>>{{1, 40000}}));

  EXPECT_FALSE(Job(2).CustomHookCallback || Job(2).BeforeHookCallback);
  EXPECT_EQ(Job(2).hooks.HookRanges, (std::vector<THookRange>{{0, 1000000}}));
}

TEST_F(ConfigurationTest, ProgressReachesOnProgressWithTheJobsIndex) {
  for (int32_t index = 0; index < 2; ++index) {
    ASSERT_EQ(component_.AddJob(fixtures::Path(Fixture::kWavPcm), nullptr), index);
  }
  std::vector<std::string> reports;
  component_.OnProgress = [&](int32_t index, int32_t frame, int32_t fps, int32_t durationMs, float quality,
                              float bitRate, int64_t size, int32_t totalMs) {
    reports.push_back(StrPrintf("%d %d %d %d %.1f %.1f %lld %d", index, frame, fps, durationMs, quality,
                                bitRate, static_cast<long long>(size), totalMs));
  };
  Job(1).ProgressCallback(Job(1), 25, 30, 1000, 2.5f, 128.5f, int64_t{1} << 33, 5000);
  EXPECT_EQ(reports, (std::vector<std::string>{"1 25 30 1000 2.5 128.5 8589934592 5000"}));
}

TEST_F(ConfigurationTest, ALoadFailureLeavesTheBindersText) {
  const binding::VersionSource wrongFormat = [](binding::Library library) {
    const unsigned version = binding::RunTimeVersion(library);
    return library == binding::Library::kAvFormat ? version + (1u << 16) : version;
  };
  binding::UnloadLibraries();
  EXPECT_FALSE(component_.LoadLibraries("", true, wrongFormat));
  EXPECT_EQ(component_.LastError(), binding::LibraryLoadError());
  EXPECT_EQ(component_.LastError().rfind("Load libraray libavformat.so.59 error: ", 0), 0u)
      << component_.LastError();
  EXPECT_TRUE(component_.LoadLibraries("", true));
}

int CurrentNice() {
  return getpriority(PRIO_PROCESS, static_cast<id_t>(gettid()));
}

TEST_F(ConfigurationTest, WorkerThreadsRunAtTheThreadPriority) {
  const int callerNice = CurrentNice();
  const struct {
    TConvertPriority priority;
    int policy;
    int nice;
  } cases[] = {
      {tpNormal, SCHED_OTHER, callerNice},
      {tpLower, SCHED_OTHER, std::min(callerNice + 5, 19)},
      {tpLowest, SCHED_OTHER, std::min(callerNice + 10, 19)},
      {tpIdle, SCHED_IDLE, callerNice},
  };
  int32_t index = 0;
  for (const auto& testCase : cases) {
    SCOPED_TRACE(testCase.priority);
    component_.ClearJobs();
    EventRecorder events;
    events.Attach(component_);
    ASSERT_EQ(component_.AddJob(fixtures::Path(Fixture::kWavPcm), nullptr), 0);
    ASSERT_TRUE(component_.SetJobOutput(0, folder_.Path("out" + std::to_string(index++) + ".wav"), nullptr));
    int policy = -1;
    int nice = -100;
    runs_.DoFirst(0, [&](TFFmpeg&) {
      sched_param parameters{};
      pthread_getschedparam(pthread_self(), &policy, &parameters);
      nice = CurrentNice();
    });
    runs_.ReleaseAll();
    component_.SetThreadPriority(testCase.priority);
    component_.StartJobs(1);
    events.AwaitBatchEnd();
    bool refused = false;
    for (const LogEvent& line : events.LogsOf(0)) {
      refused = refused || line.text.rfind("Could not set the thread priority", 0) == 0;
    }
    // The system may refuse; then the job says so and runs anyway.
    if (!refused) {
      EXPECT_EQ(policy, testCase.policy);
      EXPECT_EQ(nice, testCase.nice);
    }
    EXPECT_EQ(events.Terminates().front(), (TerminateEvent{0, true, false, "", {}}));
  }
}

}  // namespace
}  // namespace quorbel::testing
