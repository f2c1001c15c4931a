// list-encoders and list-formats against what the libraries report, and quorbel-cli's own help
// and exit codes as a process.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <sstream>

#include "commands.h"

namespace quorbel::cli {
namespace {

struct ListRun {
  int status;
  std::string out;
  std::string err;
};

ListRun List(int (*command)(const Arguments&, std::ostream&, std::ostream&), const Arguments& args) {
  std::ostringstream out;
  std::ostringstream err;
  const int status = command(args, out, err);
  return {status, out.str(), err.str()};
}

bool HasLineStartingWith(const std::string& text, const std::string& prefix) {
  return text.rfind(prefix, 0) == 0 || text.find("\n" + prefix) != std::string::npos;
}

TEST(CliListTest, EncodersByKind) {
  const ListRun all = List(ListEncodersCommand, {});
  ASSERT_EQ(all.status, 0);
  EXPECT_TRUE(HasLineStartingWith(all.out, "V mpeg4 "));
  EXPECT_TRUE(HasLineStartingWith(all.out, "A mp2 "));
  EXPECT_TRUE(HasLineStartingWith(all.out, "S dvdsub "));

  const ListRun audio = List(ListEncodersCommand, {"audio", "--json"});
  ASSERT_EQ(audio.status, 0);
  EXPECT_NE(audio.out.find("{\"name\":\"pcm_s16le\",\"kind\":\"audio\",\"description\":"), std::string::npos);
  EXPECT_EQ(audio.out.find("\"kind\":\"video\""), std::string::npos);
  EXPECT_EQ(audio.out.find("mpeg4"), std::string::npos);
}

TEST(CliListTest, FormatsWithReadAndWrite) {
  const ListRun formats = List(ListFormatsCommand, {});
  ASSERT_EQ(formats.status, 0);
  EXPECT_TRUE(HasLineStartingWith(formats.out, "DE avi "));
  EXPECT_TRUE(HasLineStartingWith(formats.out, "DE mp4 "));  // one of the names of the "mov" demuxer
  EXPECT_TRUE(HasLineStartingWith(formats.out, "D  ape "));
  EXPECT_TRUE(HasLineStartingWith(formats.out, " E null "));
  const ListRun json = List(ListFormatsCommand, {"--json"});
  EXPECT_NE(json.out.find("{\"name\":\"wav\",\"read\":true,\"write\":true,\"extensions\":\"wav\""),
            std::string::npos);
}

TEST(CliListTest, BadUsageAndHelp) {
  const struct {
    int (*command)(const Arguments&, std::ostream&, std::ostream&);
    Arguments args;
    int status;
    const char* text;
  } cases[] = {
      {ListEncodersCommand, {"sound"}, 2, "unknown argument 'sound'"},
      {ListEncodersCommand, {"audio", "video"}, 2, "unknown argument 'video'"},
      {ListFormatsCommand, {"-x"}, 2, "unknown argument '-x'"},
      {ListEncodersCommand, {"--help"}, 0, "Exit status: 0 listed; 2 bad usage."},
      {ListFormatsCommand, {"-h"}, 0, "Usage: quorbel-cli list-formats"},
  };
  for (const auto& c : cases) {
    const ListRun run = List(c.command, c.args);
    EXPECT_EQ(run.status, c.status) << c.text;
    EXPECT_NE((run.out + run.err).find(c.text), std::string::npos) << run.out << run.err;
  }
}

// The program itself: its overview, per-command help and the exit code of bad usage.
TEST(CliListTest, ProgramHelpAndExitCodes) {
  const struct {
    const char* args;
    int status;
    const char* text;
  } cases[] = {
      {"--help", 0, "list-encoders"},
      {"help convert", 0, "Exit status: 0 every job done"},
      {"help list-formats", 0, "Usage: quorbel-cli list-formats"},
      {"help nothing", 2, "unknown command 'nothing'"},
      {"transmogrify", 2, "unknown command 'transmogrify'"},
      {"", 2, "Usage: quorbel-cli COMMAND"},
  };
  for (const auto& c : cases) {
    const std::string command = std::string(QUORBEL_CLI) + " " + c.args + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string text;
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof(buffer), pipe)) > 0;) text.append(buffer, n);
    const int status = pclose(pipe);
    ASSERT_TRUE(WIFEXITED(status)) << c.args;
    EXPECT_EQ(WEXITSTATUS(status), c.status) << c.args;
    EXPECT_NE(text.find(c.text), std::string::npos) << c.args << ": " << text;
  }
}

}  // namespace
}  // namespace quorbel::cli
