// quorbel-cli convert with several inputs: output names and collisions, refusal to write onto
// an input, --dry-run, the progress lines and the --json events, exit codes.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "commands.h"
#include "component_test_util.h"
#include "convert_run.h"
#include "read_back.h"

namespace quorbel::cli {
namespace {

namespace fs = std::filesystem;
using fixtures::Fixture;
using testing::ReadFile;
using testing::ScratchFolder;

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream stream(text);
  for (std::string line; std::getline(stream, line);) lines.push_back(line);
  return lines;
}

// The members of a flat one-line JSON object: strings without their quotes (escapes kept),
// other values as written.
std::map<std::string, std::string> Members(const std::string& object) {
  std::map<std::string, std::string> members;
  EXPECT_TRUE(object.size() >= 2 && object.front() == '{' && object.back() == '}') << object;
  size_t at = 1;
  while (at < object.size() && object[at] == '"') {
    const size_t keyEnd = object.find('"', at + 1);
    const std::string key = object.substr(at + 1, keyEnd - at - 1);
    size_t valueEnd = keyEnd + 2;
    if (object[valueEnd] == '"') {
      for (++valueEnd; object[valueEnd] != '"'; ++valueEnd) valueEnd += object[valueEnd] == '\\' ? 1 : 0;
      members[key] = object.substr(keyEnd + 3, valueEnd - keyEnd - 3);
      ++valueEnd;
    } else {
      valueEnd = object.find_first_of(",}", valueEnd);
      members[key] = object.substr(keyEnd + 2, valueEnd - keyEnd - 2);
    }
    at = valueEnd + 1;
  }
  return members;
}

void Touch(const std::string& path) {
  fs::create_directories(fs::path(path).parent_path());
  std::ofstream(path) << "x";
}

TEST(CliBatchTest, OutputNamesAvoidExistingFilesAndEachOther) {
  ScratchFolder folder;
  const std::string a = folder.Path("one/clip.wav");
  const std::string b = folder.Path("two/clip.wav");
  const std::string c = folder.Path("two/talk.flac");
  for (const std::string& input : {a, b, c}) Touch(input);
  Touch(folder.Path("out/clip.mp3"));
  const std::string out = folder.Path("out");
  const struct {
    Arguments extra;
    std::vector<std::string> outputs;
  } cases[] = {
      {{"--ext", "mp3"}, {out + "/clip-1.mp3", out + "/clip-2.mp3", out + "/talk.mp3"}},
      {{"--ext", ".mp3", "--overwrite"}, {out + "/clip.mp3", out + "/clip-1.mp3", out + "/talk.mp3"}},
      {{}, {out + "/clip.wav", out + "/clip-1.wav", out + "/talk.flac"}},
  };
  for (const auto& testCase : cases) {
    Arguments args = {a, b, c, "-d", out, "--dry-run", "--json"};
    args.insert(args.end(), testCase.extra.begin(), testCase.extra.end());
    const ConvertRun run = Convert(args);
    ASSERT_EQ(run.status, 0) << run.err;
    const std::vector<std::string> lines = Lines(run.out);
    ASSERT_EQ(lines.size(), 3u) << run.out;
    for (size_t i = 0; i < lines.size(); ++i) {
      EXPECT_EQ(Members(lines[i])["output"], testCase.outputs[i]) << lines[i];
    }
  }
  EXPECT_FALSE(fs::exists(out + "/talk.mp3")) << "a dry run writes nothing";
}

TEST(CliBatchTest, NeverWritesOntoAnInput) {
  ScratchFolder folder;
  const std::string input = folder.Path("in.wav");
  fs::copy_file(fixtures::Path(Fixture::kWavPcm), input);
  fs::create_symlink(input, folder.Path("alias.wav"));
  const auto size = fs::file_size(input);
  const struct {
    Arguments args;
    const char* why;
  } cases[] = {
      {{input, "-o", folder.Path("alias.wav"), "-O", "acodec=copy", "--overwrite"}, "a link to the input"},
      {{input, "-o", folder.Path("./in.wav"), "--overwrite"}, "the input, even with --overwrite"},
      // The first input's output is the second input.
      {{input, folder.Path("in.flac"), "-d", folder.Path(""), "--ext", "flac", "--overwrite"},
       "another input"},
  };
  Touch(folder.Path("in.flac"));
  for (const auto& testCase : cases) {
    const ConvertRun run = Convert(testCase.args);
    EXPECT_EQ(run.status, 2) << testCase.why;
    EXPECT_NE(run.err.find("is the input file"), std::string::npos) << testCase.why << ": " << run.err;
  }
  EXPECT_EQ(fs::file_size(input), size);
}

TEST(CliBatchTest, DryRunPrintsEachJobsOptionText) {
  const std::string input = fixtures::Path(Fixture::kWavPcm);
  const ConvertRun run = Convert({input, "-o", "/tmp/never-written.mp3", "-I", "ss=0.5", "-O", "ab=64000",
                                  "-O", "acodec=mp2", "--dry-run"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "# job 1: '" + input + "' -> '/tmp/never-written.mp3'\n[input options]\nss=0.5\n" +
                         "[output options]\nab=64000\nacodec=mp2\n");
  EXPECT_FALSE(fs::exists("/tmp/never-written.mp3"));
}

// Two inputs on two worker threads: every event is one JSON object; each job announces itself,
// reports progress within its duration and ends, and the batch ends last.
TEST(CliBatchTest, JsonEventsOfParallelJobs) {
  ScratchFolder folder;
  const ConvertRun run = Convert({fixtures::Path(Fixture::kWavPcm), fixtures::Path(Fixture::kAviMpeg4Mp3),
                                  "-d", folder.Path("out"), "--ext", "mkv", "-j", "2", "--json", "-O",
                                  "acodec=mp2", "-O", "vcodec=copy"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "") << "--json keeps stderr free";
  std::map<std::string, int> events;
  std::map<std::string, int> terminated;
  std::map<std::string, std::string> lastFrame;
  std::string lastEvent;
  for (const std::string& line : Lines(run.out)) {
    std::map<std::string, std::string> members = Members(line);
    const std::string event = members["event"];
    ++events[event];
    lastEvent = line;
    if (event == "progress") {
      ASSERT_TRUE(members.count("percent") && members.count("size") && members.count("fps")) << line;
      lastFrame[members["job"]] = members["frame"];
      if (members["percent"] != "null") {
        const double percent = std::atof(members["percent"].c_str());
        EXPECT_TRUE(percent >= 0.0 && percent <= 100.0) << line;
      }
    }
    if (event == "log") {
      EXPECT_TRUE(members["level"] == "info" || members["level"] == "error" || members["level"] == "debug" ||
                  members["level"] == "quiet")
          << line;
    }
    if (event == "terminate") {
      ++terminated[members["job"]];
      EXPECT_EQ(members["finished"], "true") << line;
      EXPECT_EQ(members["exception"], "false") << line;
    }
  }
  EXPECT_EQ(events["job"], 2);
  EXPECT_GE(events["progress"], 2);
  EXPECT_GT(events["log"], 0);
  EXPECT_EQ(terminated, (std::map<std::string, int>{{"-1", 1}, {"0", 1}, {"1", 1}}));
  EXPECT_NE(lastEvent.find("\"job\":-1"), std::string::npos) << lastEvent;
  EXPECT_EQ(lastFrame["0"], "-1") << "the WAV job has no video";
  EXPECT_NE(lastFrame["1"], "-1");
  EXPECT_EQ(
      ReadFile(folder.Path("out/" + fs::path(fixtures::Info(Fixture::kAviMpeg4Mp3).fileName).stem().string() +
                           ".mkv"))
          .streams,
      (std::vector<AVMediaType>{AVMEDIA_TYPE_VIDEO, AVMEDIA_TYPE_AUDIO}));
}

TEST(CliBatchTest, PlainProgressLinesAndExitCodes) {
  ScratchFolder folder;
  const std::string wav = fixtures::Path(Fixture::kWavPcm);
  // One good job and one whose option text fails: the good one is converted, the exit is 1.
  const std::string flac =
      folder.Path("out/" + fs::path(fixtures::Info(Fixture::kWavPcm).fileName).stem().string() + ".flac");
  ConvertRun run = Convert({wav, folder.Path("missing.wav"), "-d", folder.Path("out"), "--ext", "flac"});
  EXPECT_EQ(run.status, 1) << run.err;
  EXPECT_TRUE(fs::exists(flac));
  EXPECT_NE(run.err.find("done '" + flac + "'"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("quorbel-cli convert: " + folder.Path("missing.wav")), std::string::npos) << run.err;
  // stderr is no terminal here: progress comes as plain lines with a percent and no bar.
  bool progressLine = false;
  for (const std::string& line : Lines(run.err)) {
    if (line.find("% ") != std::string::npos && line.find("ETA") != std::string::npos) {
      progressLine = true;
      EXPECT_EQ(line.find('\r'), std::string::npos) << line;
      EXPECT_EQ(line.find('['), std::string::npos) << line;
    }
  }
  EXPECT_TRUE(progressLine) << run.err;

  run = Convert({wav, "-o", folder.Path("x.wav"), "-j", "0"});
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.err.find("-j takes a number of jobs"), std::string::npos) << run.err;
  run = Convert({wav, "-o", folder.Path("x.wav"), "--codec-threads", "-1"});
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.err.find("--codec-threads takes a number from 0 to 16, not '-1'"), std::string::npos)
      << run.err;
  run = Convert({wav, "-o", folder.Path("x.wav"), "--ext", "mp3"});
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.err.find("--ext goes with -d OUTDIR"), std::string::npos) << run.err;
  run = Convert({"--help"});
  EXPECT_EQ(run.status, 0);
  EXPECT_NE(run.out.find("Exit status: 0 every job done; 1 a job failed"), std::string::npos);
}

}  // namespace
}  // namespace quorbel::cli
