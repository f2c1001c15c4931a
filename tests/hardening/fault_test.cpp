// Faults around a run: an output place that cannot be written, a disk that fills before or
// during the run, an input deleted or cut short while it is read, frame-hook plug-ins that do
// not load, and a storm of pause, resume and stop on parallel jobs. The engine must end every
// job exactly once with a clear outcome, and leave no output that passes for a whole one.
#include <gtest/gtest.h>
#include <stdio.h>
#include <sys/wait.h>

#include <array>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <thread>

#include "hardening_test_util.h"

namespace quorbel::testing {
namespace {

namespace fs = std::filesystem;
using fixtures::Fixture;

const std::string kIoError =
    ": I/O error occurred\r\n"
    "Usually that means that input file is truncated and/or corrupted.";
const std::string kWriteIoError = "av_interleaved_write_frame()" + kIoError;

class FaultTest : public ComponentRun {
 protected:
  // A copy of a fixture in the scratch folder, which the test may change.
  std::string OwnCopy(Fixture fixture, const std::string& name) {
    const std::string path = folder_.Path(name);
    fs::copy_file(fixtures::Path(fixture), path);
    return path;
  }

  void SetUp() override {
    ComponentRun::SetUp();
    TLogEvent record = component_.OnLog;
    // OnLog runs under the component's critical section: the actions need no lock of their own.
    component_.OnLog = [this, record](int32_t index, TLogLevel level, const std::string& text) {
      record(index, level, text);
      const auto found = afterSetup_.find(index);
      if (found != afterSetup_.end() && text.rfind("Stream mapping:", 0) == 0) {
        const std::function<void()> action = std::move(found->second);
        afterSetup_.erase(found);
        action();
      }
    };
  }

  // Runs `action` in the thread of job `index` right after its run's setup: the "Stream mapping:"
  // lines come before the first packet is read.
  void AfterSetup(int32_t index, std::function<void()> action) { afterSetup_[index] = std::move(action); }

  void RunAll(int32_t parallel) {
    component_.StartJobs(parallel);
    events_.AwaitBatchEnd();
  }

  std::map<int32_t, std::function<void()>> afterSetup_;  // set before StartJobs
};

TEST_F(FaultTest, AnOutputPlaceThatCannotBeWrittenIsRefusedAtSetJobOutput) {
  // CI runs as root, whom permission bits do not stop: these places fail for everyone.
  const std::string file = folder_.Path("regular_file");
  std::ofstream(file) << "x";
  fs::create_directory(folder_.Path("a_folder"));
  for (const std::string& output : {file + "/out.mkv", folder_.Path("missing/out.mkv"),
                                    folder_.Path("a_folder"), std::string("/proc/out.mkv")}) {
    SCOPED_TRACE(output);
    const int32_t index = component_.AddJob(fixtures::Path(Fixture::kAviMpeg4Mp3), nullptr);
    ASSERT_GE(index, 0) << component_.LastError();
    TOutputOptions options;
    options.ExtOptions = "vcodec=copy\nacodec=copy";
    options.ForceFormat = "matroska";
    EXPECT_FALSE(component_.SetJobOutput(index, output, &options));
    EXPECT_EQ(component_.LastError(), "Could not open '" + output + "'");
  }
  EXPECT_TRUE(fs::is_regular_file(file));
  EXPECT_TRUE(fs::is_empty(folder_.Path("a_folder")));
}

TEST_F(FaultTest, ADiskFullFromTheFirstByteFailsTheRunWithTheIoErrorText) {
  const int32_t index = AddCopyJob(fixtures::Path(Fixture::kPal720x576), "/dev/full", "f=avi");
  RunAll(1);
  const TerminateEvent end = EndOf(index);
  EXPECT_FALSE(end.finished);
  EXPECT_TRUE(end.exception);
  // The header fits the write buffer, so the first packets are where the device refuses.
  EXPECT_EQ(end.message, kWriteIoError);
  EXPECT_TRUE(fs::exists("/dev/full"));
}

// The disk fills part-way: a child process whose file size limit (RLIMIT_FSIZE, which binds
// root too) is below what the run writes, for a stream copy and for a re-encoding.
TEST_F(FaultTest, ADiskThatFillsDuringTheRunFailsItWithTheIoErrorTextAndRemovesThePartialOutput) {
  struct Case {
    std::string options;
    const char* limitBytes;
    std::string failedCall;  // the write that meets the limit
  };
  // The re-encoded output is smaller than the write buffer: it reaches the file at the trailer.
  for (const Case& run : {Case{"vcodec=copy\nacodec=copy", "100000", "av_interleaved_write_frame()"},
                          Case{"", "4000", "av_write_trailer()"}}) {
    SCOPED_TRACE(run.options);
    const std::string output = folder_.Path("limited.avi");
    const std::string command = std::string(QUORBEL_WRITE_LIMITED_JOB) + " " +
                                fixtures::Path(Fixture::kPal720x576) + " " + output + " " + run.limitBytes +
                                " '" + run.options + "'";
    FILE* child = popen(command.c_str(), "r");
    ASSERT_NE(child, nullptr);
    std::string report;
    std::array<char, 256> chunk{};
    while (size_t read = fread(chunk.data(), 1, chunk.size(), child)) report.append(chunk.data(), read);
    const int status = pclose(child);
    ASSERT_TRUE(WIFEXITED(status)) << "the child died: " << status;
    EXPECT_EQ(WEXITSTATUS(status), 0) << report;
    EXPECT_EQ(report, "finished 0 exception 1\n" + run.failedCall + kIoError +
                          "\n"
                          "log: Removing the incomplete output file '" +
                          output +
                          "'\n"
                          "output exists: 0\n");
  }
}

TEST_F(FaultTest, AnInputDeletedWhileItIsReadIsStillReadToItsEnd) {
  const std::string input = OwnCopy(Fixture::kAviMpeg4Mp3, "input.avi");
  AddCopyJob(fixtures::Path(Fixture::kAviMpeg4Mp3), folder_.Path("whole.mkv"));
  const int32_t index = AddCopyJob(input, folder_.Path("deleted.mkv"));
  AfterSetup(index, [&] { fs::remove(input); });
  RunAll(1);
  EXPECT_FALSE(fs::exists(input));
  EXPECT_EQ(EndOf(index), (TerminateEvent{index, true, false, "", {}}));
  const ReadBack whole = ReadFile(folder_.Path("whole.mkv"));
  const ReadBack deleted = ReadFile(folder_.Path("deleted.mkv"));
  ASSERT_TRUE(deleted.opened);
  EXPECT_EQ(deleted.packets, whole.packets);
}

// AVI outputs: Matroska refuses copied MPEG-2 packets that carry no presentation time.
TEST_F(FaultTest, AnInputCutShortWhileItIsReadEndsTheRunWithWhatWasRead) {
  const std::vector<Fixture> inputs{Fixture::kPal720x576, Fixture::kMp4H264Aac, Fixture::kMpegPsMpeg2Mp2};
  for (const Fixture fixture : inputs) {
    const std::string name = fixtures::Info(fixture).fileName;
    const std::string input = OwnCopy(fixture, name);
    const int32_t index = AddCopyJob(input, folder_.Path(name + ".avi"));
    AfterSetup(index, [input] { fs::resize_file(input, fs::file_size(input) / 5); });
  }
  RunAll(2);
  for (int32_t index = 0; index < static_cast<int32_t>(inputs.size()); ++index) {
    const std::string name = fixtures::Info(inputs[index]).fileName;
    SCOPED_TRACE(name);
    // A read that fails is the end of the file; what was read before it is a whole output.
    const TerminateEvent end = EndOf(index);
    EXPECT_FALSE(end.exception) << end.message;
    EXPECT_TRUE(end.finished);
    const ReadBack cut = ReadFile(folder_.Path(name + ".avi"));
    EXPECT_TRUE(cut.opened);
    const ReadBack whole = ReadFile(fixtures::Path(inputs[index]));
    int cutPackets = 0;
    int wholePackets = 0;
    for (const auto& [stream, count] : cut.packets) cutPackets += count;
    for (const auto& [stream, count] : whole.packets) wholePackets += count;
    EXPECT_LT(cutPackets, wholePackets);
  }
}

TEST_F(FaultTest, AFrameHookPlugInThatDoesNotLoadFailsItsJobsSetupAndNothingElse) {
  const std::string input = fixtures::Path(Fixture::kAviMpeg4Mp3);
  for (const std::string& hook :
       {std::string(QUORBEL_HOOK_FAILING), std::string(QUORBEL_HOOK_NO_PROCESS) + " arg",
        folder_.Path("missing_hook.so")}) {
    SCOPED_TRACE(hook);
    const int32_t index = component_.AddJob(input, nullptr);
    ASSERT_GE(index, 0);
    TOutputOptions options;
    options.ExtOptions = "vhook=" + hook;
    EXPECT_FALSE(component_.SetJobOutput(index, folder_.Path("hooked.mkv"), &options));
    EXPECT_EQ(component_.LastError(), "Failed to add video hook function: " + hook);
    component_.DeleteJob(index);
  }
  EXPECT_FALSE(fs::exists(folder_.Path("hooked.mkv")));
  const int32_t index = AddCopyJob(input, folder_.Path("after.mkv"));
  RunAll(1);
  EXPECT_EQ(EndOf(index), (TerminateEvent{index, true, false, "", {}}));
}

// Parallel jobs while another thread pauses, resumes and finally stops them at random: every
// job ends exactly once, the batch end comes last, and every output left behind is whole.
TEST_F(FaultTest, AStormOfPauseResumeAndStopOnParallelJobsEndsEveryJobOnce) {
  constexpr int kJobs = 8;
  const std::array<Fixture, 4> inputs{Fixture::kPal720x576, Fixture::kMp4H264Aac, Fixture::kAviMpeg4Mp3,
                                      Fixture::kMpegPsMpeg2Mp2};
  for (int n = 0; n < kJobs; ++n) {
    AddCopyJob(fixtures::Path(inputs[n % inputs.size()]), folder_.Path("storm" + std::to_string(n) + ".avi"));
  }
  std::atomic<bool> batchEnded{false};
  events_.OnEachTerminate([&](int32_t index) {
    if (index == -1) batchEnded = true;
  });
  component_.StartJobs(3);
  std::thread storm([&] {
    std::mt19937 random(9);
    for (int turn = 0; turn < 300 && !batchEnded; ++turn) {
      const unsigned choice = random() % 16;
      if (choice < 7) {
        component_.PauseJobs();
      } else if (choice < 15) {
        component_.ResumeJobs();
      } else {
        component_.StopJobs();
      }
      std::this_thread::sleep_for(std::chrono::microseconds(random() % 2000));
    }
    component_.StopJobs();
    component_.ResumeJobs();
  });
  events_.AwaitBatchEnd();
  storm.join();

  const std::vector<TerminateEvent> ends = events_.Terminates();
  ASSERT_EQ(ends.size(), static_cast<size_t>(kJobs + 1));
  EXPECT_EQ(ends.back(), (TerminateEvent{-1, true, false, "", {}}));
  for (int32_t index = 0; index < kJobs; ++index) {
    const TerminateEvent end = EndOf(index);
    EXPECT_FALSE(end.exception) << end.message;
    const std::string output = folder_.Path("storm" + std::to_string(index) + ".avi");
    // A job that never started holds an empty file until it is deleted; a started one leaves a
    // file with its trailer.
    if (fs::exists(output) && fs::file_size(output) > 0) {
      EXPECT_TRUE(ReadFile(output).opened) << output;
    }
  }
  component_.ClearJobs();
  for (int32_t index = 0; index < kJobs; ++index) {
    const std::string output = folder_.Path("storm" + std::to_string(index) + ".avi");
    EXPECT_TRUE(!fs::exists(output) || fs::file_size(output) > 0) << output;
  }
}

}  // namespace
}  // namespace quorbel::testing
