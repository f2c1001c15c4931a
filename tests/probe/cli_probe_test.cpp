// quorbel-cli probe, run in-process: its JSON lines and exit statuses.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "commands.h"
#include "json.h"
#include "quorbel/fixtures.h"

namespace quorbel::cli {
namespace {

using fixtures::Fixture;
using fixtures::Path;

struct ProbeRun {
  int status;
  std::string out;
  std::string err;
};

ProbeRun Probe(const Arguments& args) {
  std::ostringstream out;
  std::ostringstream err;
  const int status = ProbeCommand(args, out, err);
  return {status, out.str(), err.str()};
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

TEST(CliProbeTest, OneLinePerFileAndStatusOneWhenAnyFailed) {
  const std::string missing = testing::TempDir() + "quorbel_missing.avi";
  const ProbeRun run = Probe({Path(Fixture::kAviMpeg4Mp3), missing});
  EXPECT_EQ(run.status, 1);
  const std::vector<std::string> lines = Lines(run.out);
  ASSERT_EQ(lines.size(), 2u);
  const std::string& clip = lines[0];
  EXPECT_EQ(
      clip.rfind("{\"file\":" + JsonString(Path(Fixture::kAviMpeg4Mp3)) +
                     ",\"ok\":true,\"error\":\"\",\"format\":\"avi\",\"stream_count\":2,\"program_count\":0,"
                     "\"video_streams\":1,\"audio_streams\":1,\"subtitle_streams\":0,\"start_us\":0,"
                     "\"duration_us\":",
                 0),
      0u)
      << clip;
  EXPECT_NE(clip.find(",\"title\":\"\",\"author\":\"\",\"rights\":\"\",\"comment\":\"\",\"album\":\"\","
                      "\"genre\":\"\",\"year\":0,\"track\":0,"),
            std::string::npos)
      << clip;
  EXPECT_NE(clip.find(",\"video\":{\"width\":160,\"height\":120,\"frame_rate_num\":25,\"frame_rate_den\":1,"
                      "\"aspect\":1.3333,\"pixel_format\":\"yuv420p\",\"codec\":\"mpeg4\",\"duration_us\":"),
            std::string::npos)
      << clip;
  EXPECT_EQ(clip.back(), '}');
  EXPECT_EQ(lines[1], "{\"file\":" + JsonString(missing) + ",\"ok\":false,\"error\":" +
                          JsonString(missing + ": no such file or directory") + "}");
}

TEST(CliProbeTest, AudioOnlyFileHasNoVideoMemberAndMetadataIsEscaped) {
  const ProbeRun run = Probe({Path(Fixture::kMp3Only)});
  EXPECT_EQ(run.status, 0);
  ASSERT_EQ(Lines(run.out).size(), 1u);
  EXPECT_EQ(run.out.find("\"video\""), std::string::npos);
  EXPECT_NE(run.out.find(
                "\"title\":\"Quorbel fixture\",\"author\":\"Quorbel Tests\",\"rights\":\"(c) 2008 Quorbel\""),
            std::string::npos)
      << run.out;
  EXPECT_NE(run.out.find("\"year\":2008,\"track\":3}"), std::string::npos);
}

TEST(CliProbeTest, UnknownDurationIsNull) {
  const ProbeRun run = Probe({Path(Fixture::kAsfTruncated)});
  EXPECT_EQ(run.status, 0);
  EXPECT_NE(run.out.find("\"duration_us\":null,"), std::string::npos) << run.out;
}

TEST(CliProbeTest, Usage) {
  ProbeRun run = Probe({"--help"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out.rfind("Usage: quorbel-cli probe FILE...", 0), 0u);

  run = Probe({});
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.out, "");
  EXPECT_NE(run.err.find("no file given"), std::string::npos);

  run = Probe({"--fast", Path(Fixture::kWavPcm)});
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.out, "");
  EXPECT_NE(run.err.find("unknown option '--fast'"), std::string::npos);

  // After "--" every argument is a file, even one that looks like an option.
  run = Probe({"--", "--help"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out.rfind("{\"file\":\"--help\",\"ok\":false,", 0), 0u) << run.out;
}

TEST(JsonTest, StringsAreEscapedAndKeptValidUtf8) {
  struct Case {
    std::string text;
    std::string json;
  };
  for (const Case& c : {
           Case{"plain", "\"plain\""}, Case{"say \"hi\"\\", "\"say \\\"hi\\\"\\\\\""},
           Case{"a\nb\tc\r", "\"a\\nb\\tc\\r\""}, Case{std::string("\x01\x1f", 2), "\"\\u0001\\u001f\""},
           Case{"Gr\xc3\xbc\xc3\x9f \xe2\x82\xac \xf0\x9f\x8e\xb5",
                "\"Gr\xc3\xbc\xc3\x9f \xe2\x82\xac \xf0\x9f\x8e\xb5\""},
           Case{"cut \xe2\x82", "\"cut \\ufffd\\ufffd\""},                             // a sequence cut short
           Case{"latin1 \xe9t\xe9", "\"latin1 \\ufffdt\\ufffd\""},                     // not UTF-8 at all
           Case{"\xc0\xaf \xed\xa0\x80", "\"\\ufffd\\ufffd \\ufffd\\ufffd\\ufffd\""},  // overlong, surrogate
       }) {
    EXPECT_EQ(JsonString(c.text), c.json);
  }
}

TEST(JsonTest, ObjectMembersInOrder) {
  JsonObject inner;
  inner.Add("n", int64_t{-3});
  JsonObject json;
  json.Add("a", "x")
      .Add("b", true)
      .AddReal("c", 1.0 / 3.0)
      .AddReal("d", std::nan(""))
      .Add("e", inner)
      .AddNull("f");
  EXPECT_EQ(json.Text(), "{\"a\":\"x\",\"b\":true,\"c\":0.3333,\"d\":null,\"e\":{\"n\":-3},\"f\":null}");
  EXPECT_EQ(JsonObject().Text(), "{}");
}

}  // namespace
}  // namespace quorbel::cli
