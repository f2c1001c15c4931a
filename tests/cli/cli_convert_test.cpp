// quorbel-cli convert, run in-process: its arguments, its refusal to write onto the input, and
// how failures reach stderr and the exit status.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <sstream>

#include "commands.h"
#include "component_test_util.h"
#include "convert_run.h"
#include "read_back.h"

extern char** environ;

namespace quorbel::cli {
namespace {

using fixtures::Fixture;
using testing::ReadBack;
using testing::ReadFile;
using testing::ScratchFolder;

TEST(CliConvertTest, BadUsageExitsWithTwoAndTheUsage) {
  const std::string input = fixtures::Path(Fixture::kWavPcm);
  const struct {
    Arguments args;
    const char* complaint;
  } cases[] = {
      {{}, "no INPUT"},
      {{input}, "no -o OUTPUT"},
      {{input, "-o"}, "-o needs a value"},
      {{input, "-o", "x.wav", "-O"}, "-O needs a value"},
      {{input, "-o", "x.wav", "--log-level", "loud"}, "unknown log level 'loud'"},
      {{input, "-o", "x.wav", "-O", "vcodec=copy\nan"}, "not an option: 'vcodec=copy\nan'"},
      {{input, "-o", "x.wav", "--fast"}, "unknown argument '--fast'"},
      {{input, input, "-o", "x.wav"}, "more than one input"},
  };
  for (const auto& testCase : cases) {
    const ConvertRun run = Convert(testCase.args);
    EXPECT_EQ(run.status, 2) << testCase.complaint;
    EXPECT_NE(run.err.find(testCase.complaint), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("Usage: quorbel-cli convert"), std::string::npos);
  }
  const ConvertRun help = Convert({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.out.rfind("Usage: quorbel-cli convert INPUT -o OUTPUT", 0), 0u);
}

TEST(CliConvertTest, RefusesToWriteOntoTheInput) {
  ScratchFolder folder;
  const std::string input = folder.Path("in.wav");
  std::filesystem::copy_file(fixtures::Path(Fixture::kWavPcm), input);
  const std::string hardLink = folder.Path("link.wav");
  std::filesystem::create_hard_link(input, hardLink);
  std::filesystem::create_directory(folder.Path("sub"));
  const auto size = std::filesystem::file_size(input);
  for (const std::string& output : {input, hardLink, folder.Path("sub/../in.wav")}) {
    const ConvertRun run = Convert({input, "-o", output, "-O", "acodec=copy"});
    EXPECT_EQ(run.status, 2) << output;
    EXPECT_NE(run.err.find("is the input file"), std::string::npos) << run.err;
  }
  EXPECT_EQ(std::filesystem::file_size(input), size);
}

TEST(CliConvertTest, SetupFailuresExitWithOneAndTheReason) {
  ScratchFolder folder;
  const std::string missing = folder.Path("missing.avi");
  ConvertRun run = Convert({missing, "-o", folder.Path("out.mkv")});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("quorbel-cli convert: " + missing + ": no such file or directory"),
            std::string::npos)
      << run.err;

  run = Convert({fixtures::Path(Fixture::kWavPcm), "-o", folder.Path("out.unknownformat")});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(
      run.err.find("Unable to find a suitable output format for '" + folder.Path("out.unknownformat") + "'"),
      std::string::npos)
      << run.err;

  run = Convert({fixtures::Path(Fixture::kWavPcm), "-o", folder.Path("out.wav"), "-I", "ss=abc"});
  EXPECT_EQ(run.status, 1);
  EXPECT_FALSE(std::filesystem::exists(folder.Path("out.wav")));
}

TEST(CliConvertTest, CopiesAFixtureEndToEnd) {
  ScratchFolder folder;
  const std::string output = folder.Path("copy.mkv");
  const ConvertRun run = Convert(
      {fixtures::Path(Fixture::kAviMpeg4Mp3), "-o", output, "-O", "vcodec=copy", "-O", "acodec=copy"});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.err.find("Stream mapping:"), std::string::npos) << "log lines go to stderr";
  const ReadBack copy = ReadFile(output);
  ASSERT_TRUE(copy.opened);
  EXPECT_EQ(copy.streams, (std::vector<AVMediaType>{AVMEDIA_TYPE_VIDEO, AVMEDIA_TYPE_AUDIO}));
  EXPECT_EQ(copy.PacketsOf(0), 50) << "2 s at 25 fps";
  EXPECT_GT(copy.PacketsOf(1), 0);
}

TEST(CliConvertTest, ARunFailureExitsWithOneAndItsMessageOnce) {
  ScratchFolder folder;
  const ConvertRun run = Convert({fixtures::Path(Fixture::kAviMpeg4Mp3), "-o", folder.Path("out.mkv"), "-O",
                                  "vcodec=copy", "-O", "acodec=copy", "-O", "map=0:0", "-O", "map=0:5"});
  EXPECT_EQ(run.status, 1) << run.err;
  const std::string message = "quorbel-cli convert: Could not find input stream #0.5\n";
  EXPECT_EQ(run.err.size() - run.err.rfind(message), message.size()) << run.err;
  EXPECT_EQ(run.err.find("Could not find input stream"), run.err.rfind("Could not find input stream"))
      << run.err;
}

// quorbel-cli as a process of its own, with its stderr readable line by line.
class CliProcess {
 public:
  explicit CliProcess(const std::vector<std::string>& args) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) throw std::runtime_error("pipe2 failed");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDERR_FILENO);
    std::vector<std::string> all = {QUORBEL_CLI};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& arg : all) argv.push_back(arg.data());
    argv.push_back(nullptr);
    const int spawned = posix_spawn(&pid_, QUORBEL_CLI, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    stderr_ = fdopen(fds[0], "r");
    if (spawned != 0) throw std::runtime_error("posix_spawn failed");
  }
  ~CliProcess() {
    if (stderr_ != nullptr) fclose(stderr_);
    if (pid_ > 0) waitpid(pid_, nullptr, 0);
  }
  CliProcess(const CliProcess&) = delete;
  CliProcess& operator=(const CliProcess&) = delete;

  // Reads stderr until a line starts with `prefix`; false at its end.
  bool AwaitLine(const std::string& prefix) {
    char* line = nullptr;
    size_t capacity = 0;
    bool found = false;
    while (!found && getline(&line, &capacity, stderr_) >= 0) found = std::string(line).rfind(prefix, 0) == 0;
    free(line);
    return found;
  }
  void Interrupt() { kill(pid_, SIGINT); }
  // Reads stderr to its end, then returns the exit status (-1 when it did not exit).
  int Wait() {
    for (int c = fgetc(stderr_); c != EOF; c = fgetc(stderr_)) {
    }
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

 private:
  pid_t pid_ = -1;
  FILE* stderr_ = nullptr;
};

TEST(CliConvertTest, CtrlCStopsTheRunAndTheOutputKeepsItsTrailer) {
  ScratchFolder folder;
  // MP4 writes its index with the trailer: the output opens only if the trailer was written.
  const std::string output = folder.Path("stopped.mp4");
  // Rate emulation makes the 2 s copy take 2 s; "dump" logs each packet before it is processed.
  CliProcess cli({"convert", fixtures::Path(Fixture::kAviMpeg4Mp3), "-o", output, "-I", "re", "-O",
                  "vcodec=copy", "-O", "acodec=copy", "-O", "dump", "--log-level", "debug"});
  for (int packet = 0; packet < 10; ++packet) ASSERT_TRUE(cli.AwaitLine("stream #0:"));
  cli.Interrupt();
  EXPECT_EQ(cli.Wait(), 3);
  const ReadBack stopped = ReadFile(output);
  ASSERT_TRUE(stopped.opened);
  EXPECT_EQ(stopped.streams.size(), 2u);
  EXPECT_GE(stopped.PacketsOf(0), 10) << "what was read before the interrupt is in the output";
}

}  // namespace
}  // namespace quorbel::cli
