// Library log lines reach the job whose thread wrote them, in every component, with the
// context prefix, the level filter and the level mapping.
#include <gtest/gtest.h>

#include <cinttypes>

#include "base/text.h"
#include "component_test_util.h"

extern "C" {
#include <libavutil/log.h>
}

namespace quorbel::testing {
namespace {

using fixtures::Fixture;

AVClass TestClass() {
  AVClass avClass{};
  avClass.class_name = "TestContext";
  avClass.item_name = av_default_item_name;
  avClass.version = LIBAVUTIL_VERSION_INT;
  return avClass;
}
const AVClass kTestClass = TestClass();

struct TestContext {
  const AVClass* avClass = &kTestClass;
};

void LibraryLog(void* context, int level, const char* text) {
  av_log(context, level, "%s", text);
}

class LogRoutingTest : public ::testing::Test {
 protected:
  LogRoutingTest() : component_(&loop_) {}

  void SetUp() override {
    ASSERT_TRUE(component_.LoadLibraries("", true)) << component_.LastError();
    component_.SetJobRunner(runs_.Runner());
    events_.Attach(component_);
    runs_.ReleaseAll();
  }

  void AddJobs(int count) {
    for (int i = 0; i < count; ++i) {
      ASSERT_EQ(component_.AddJob(fixtures::Path(Fixture::kWavPcm), nullptr), i) << component_.LastError();
      ASSERT_TRUE(component_.SetJobOutput(i, folder_.Path("out" + std::to_string(i) + ".wav"), nullptr));
    }
  }

  ScratchFolder folder_;
  PlainRunLoop loop_;
  ScriptedRuns runs_;
  EventRecorder events_;
  InspectableTranscoder component_;
};

TEST_F(LogRoutingTest, EachThreadsLinesReachItsJobAndHeldTextWaitsForItsNewline) {
  AddJobs(2);
  Steps steps;
  runs_.DoFirst(0, [&](TFFmpeg&) {
    LibraryLog(nullptr, AV_LOG_INFO, "first half ");
    steps.Reach(1);
    steps.Await(2);
    LibraryLog(nullptr, AV_LOG_INFO, "of job 0\n");
  });
  runs_.DoFirst(1, [&](TFFmpeg&) {
    steps.Await(1);
    LibraryLog(nullptr, AV_LOG_INFO, "all of job 1\n");
    steps.Reach(2);
  });
  component_.StartJobs(2);
  events_.AwaitBatchEnd();
  EXPECT_EQ(events_.LogsOf(0), (std::vector<LogEvent>{{0, llInfo, "first half of job 0"}}));
  EXPECT_EQ(events_.LogsOf(1), (std::vector<LogEvent>{{1, llInfo, "all of job 1"}}));
}

TEST_F(LogRoutingTest, ContextPrefixAndLevels) {
  AddJobs(1);
  TestContext context;
  runs_.DoFirst(0, [&](TFFmpeg&) {
    LibraryLog(&context, AV_LOG_INFO, "hello\n");
    LibraryLog(nullptr, AV_LOG_ERROR, "bad\n");
    LibraryLog(nullptr, AV_LOG_WARNING, "odd\n");
    LibraryLog(nullptr, AV_LOG_DEBUG, "hidden at llInfo\n");
    // Held text goes first; the context of the later call adds no prefix.
    LibraryLog(nullptr, AV_LOG_INFO, "held ");
    LibraryLog(&context, AV_LOG_INFO, "then more\n");
  });
  component_.StartJobs(1);
  events_.AwaitBatchEnd();
  const std::string prefix =
      StrPrintf("[TestContext @ %08" PRIXPTR "]", reinterpret_cast<uintptr_t>(&kTestClass));
  EXPECT_EQ(events_.LogsOf(0), (std::vector<LogEvent>{{0, llInfo, prefix + "hello"},
                                                      {0, llError, "bad"},
                                                      {0, llError, "odd"},
                                                      {0, llInfo, "held then more"}}));
}

TEST_F(LogRoutingTest, JobLevelsMapToLogLevels) {
  AddJobs(1);
  runs_.DoFirst(0, [](TFFmpeg& job) {
    for (int level = -1; level <= 4; ++level) job.Log(level, "level " + std::to_string(level));
  });
  component_.StartJobs(1);
  events_.AwaitBatchEnd();
  EXPECT_EQ(events_.LogsOf(0), (std::vector<LogEvent>{{0, llQuiet, "level -1"},
                                                      {0, llError, "level 0"},
                                                      {0, llInfo, "level 1"},
                                                      {0, llDebug, "level 2"},
                                                      {0, llAll, "level 3"},
                                                      {0, llAll, "level 4"}}));
}

TEST_F(LogRoutingTest, LinesOfAThreadWithoutARunningJobGoToNoJob) {
  AddJobs(1);
  runs_.DoFirst(0, [](TFFmpeg&) { LibraryLog(nullptr, AV_LOG_INFO, "from the job\n"); });
  component_.StartJobs(1);
  events_.AwaitBatchEnd();
  // The job has ended: a line from any thread now belongs to no job.
  LibraryLog(nullptr, AV_LOG_INFO, "from the caller\n");
  EXPECT_EQ(events_.LogsOf(0), (std::vector<LogEvent>{{0, llInfo, "from the job"}}));
  const std::vector<LogEvent> unowned = events_.LogsOf(-1);
  ASSERT_FALSE(unowned.empty());
  EXPECT_EQ(unowned.back(), (LogEvent{-1, llInfo, "from the caller"}));
}

TEST_F(LogRoutingTest, JobsRunFromTheLoopGetTheirOwnLines) {
  AddJobs(2);
  for (int32_t index : {0, 1}) {
    runs_.DoFirst(index, [index](TFFmpeg&) {
      LibraryLog(nullptr, AV_LOG_INFO, ("job " + std::to_string(index) + "\n").c_str());
    });
  }
  events_.OnEachTerminate([this](int32_t index) {
    if (index == -1) loop_.Quit();
  });
  component_.StartJobs(0);
  loop_.Run();
  EXPECT_EQ(events_.LogsOf(0), (std::vector<LogEvent>{{0, llInfo, "job 0"}}));
  EXPECT_EQ(events_.LogsOf(1), (std::vector<LogEvent>{{1, llInfo, "job 1"}}));
}

TEST_F(LogRoutingTest, EveryComponentGetsTheLineWithItsOwnJob) {
  AddJobs(1);
  InspectableTranscoder other;
  EventRecorder otherEvents;
  otherEvents.Attach(other);
  runs_.DoFirst(0, [](TFFmpeg&) { LibraryLog(nullptr, AV_LOG_INFO, "shared\n"); });
  component_.StartJobs(1);
  events_.AwaitBatchEnd();
  EXPECT_EQ(events_.LogsOf(0), (std::vector<LogEvent>{{0, llInfo, "shared"}}));
  const std::vector<LogEvent> seen = otherEvents.Logs();
  EXPECT_NE(std::find(seen.begin(), seen.end(), LogEvent{-1, llInfo, "shared"}), seen.end());
}

TEST_F(LogRoutingTest, AHandlerMayLogItself) {
  std::vector<std::string> lines;
  component_.OnLog = [&](int32_t, TLogLevel, const std::string& text) {
    if (text == "outer") LibraryLog(nullptr, AV_LOG_INFO, "inner\n");
    lines.push_back(text);
  };
  LibraryLog(nullptr, AV_LOG_INFO, "outer\n");
  EXPECT_EQ(lines, (std::vector<std::string>{"inner", "outer"}));
}

}  // namespace
}  // namespace quorbel::testing
