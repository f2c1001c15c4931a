// quorbel-graph on the plug-in registered with reg.sh: per stream as many samples as
// libavformat's ASF demuxer reads packets, starting and ending at their times.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "graph_output.h"
#include "graph_run.h"
#include "parser_graph.h"
#include "quorbel/fixtures.h"

namespace quorbel::testing {
namespace {

using namespace graphtool;
using fixtures::Fixture;
namespace fs = std::filesystem;

class GraphTool : public ::testing::Test {
 protected:
  void SetUp() override {
    char name[] = "/tmp/quorbel-graph-XXXXXX";
    dir_ = ::mkdtemp(name);
    registryPath_ = (dir_ / "registry").string();
    ::setenv("QUORBEL_REGISTRY", registryPath_.c_str(), 1);
    ASSERT_EQ(std::system((std::string(QUORBEL_REG_SH) + " >/dev/null").c_str()), 0);
  }
  void TearDown() override {
    ::unsetenv("QUORBEL_REGISTRY");
    fs::remove_all(dir_);
  }
  // Runs quorbel-graph; returns its exit status and what it printed.
  int RunTool(const std::string& arguments, std::string& output) {
    const std::string command = std::string(QUORBEL_GRAPH) + " " + arguments + " 2>/dev/null";
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) return -1;
    char chunk[4096];
    output.clear();
    while (std::size_t n = std::fread(chunk, 1, sizeof chunk, pipe)) output.append(chunk, n);
    const int status = ::pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  fs::path dir_;
  std::string registryPath_;
};

TEST_F(GraphTool, ReportsPerStreamWhatLibavformatDemuxes) {
  const std::string files[] = {
      fixtures::Path(Fixture::kAsfWmv2Wmav2), fixtures::Path(Fixture::kAsfAudioOnly),
      fixtures::Path(Fixture::kAsfVideoOnly), fixtures::Path(Fixture::kAsfTruncated),
      SamplePath("glass_wmv1_wmav2.wmv"),     SamplePath("tiny_wmv2_wmav2.asf"),
      SamplePath("mp4s_wmav2.wmv"),
  };
  for (const std::string& file : files) {
    const auto demuxed = DemuxAsf(file);
    GraphReport report;
    std::string error;
    ASSERT_EQ(RunGraph(Registry(registryPath_), file, GraphOptions{}, report, error), S_OK) << file << error;
    EXPECT_EQ(report.filter, "WMV Parser");
    ASSERT_EQ(report.pins.size(), demuxed.size()) << file;
    std::size_t n = 0;
    for (const auto& [number, packets] : demuxed) {
      const SampleCounts& counts = report.pins[n++].counts;
      ASSERT_EQ(counts.samples, static_cast<int64_t>(packets.size())) << file << " stream " << number;
      EXPECT_EQ(counts.firstStart, std::max<int64_t>(0, packets.front().timeHns)) << file;
      EXPECT_EQ(counts.lastStart, std::max<int64_t>(0, packets.back().timeHns)) << file;
      int64_t keys = 0;
      int64_t bytes = 0;
      for (const DemuxedPacket& packet : packets) {
        keys += packet.key ? 1 : 0;
        bytes += packet.size;
      }
      EXPECT_EQ(counts.syncPoints, keys);
      EXPECT_EQ(counts.bytes, bytes);
      EXPECT_EQ(counts.discontinuities, 1);
      EXPECT_EQ(counts.preroll, 0);
      EXPECT_EQ(counts.endOfStreams, 1);
    }
  }
}

TEST_F(GraphTool, PrintsJsonAndTellsWhenNoFilterTakesTheFile) {
  const std::string file = fixtures::Path(Fixture::kAsfAudioOnly);
  const auto demuxed = DemuxAsf(file);
  ASSERT_EQ(demuxed.size(), 1u);
  std::string output;
  ASSERT_EQ(RunTool(file + " --json", output), 0);
  const std::string pin =
      "\"major\":\"Audio\",\"subtype\":\"{00000161-0000-0010-8000-00AA00389B71}\","
      "\"format\":\"0x0161\",\"samples\":" +
      std::to_string(demuxed.begin()->second.size()) + ",";
  EXPECT_EQ(output.rfind("{\"file\":\"" + file + "\",\"filter\":\"WMV Parser\",\"pins\":[{\"name\":", 0), 0u)
      << output;
  EXPECT_NE(output.find(pin), std::string::npos) << output;
  EXPECT_NE(output.find("\"eos\":1,"), std::string::npos) << output;

  ASSERT_EQ(RunTool(file + " --start 1000 --stop 1500 --rate 2", output), 0);
  EXPECT_NE(output.find("filter: WMV Parser"), std::string::npos) << output;

  EXPECT_EQ(RunTool(SamplePath("mpeg4_mp3.avi"), output), 1);
  EXPECT_EQ(RunTool(SamplePath("drm_protected.wma"), output), 1);
  EXPECT_EQ(RunTool("", output), 2);
  EXPECT_EQ(RunTool(file + " --rate fast", output), 2);
  // Without the plug-in registered no filter takes Windows Media files either.
  ::setenv("QUORBEL_REGISTRY", (dir_ / "empty").c_str(), 1);
  EXPECT_EQ(RunTool(file, output), 1);
}

TEST(GraphOutput, NamesFormatsAndEscapesText) {
  EXPECT_EQ(SubtypeFormat(MediaSubtypeFromFourCC(0x32564D57)), "WMV2");
  EXPECT_EQ(SubtypeFormat(MediaSubtypeFromFourCC(0x0161)), "0x0161");
  EXPECT_EQ(SubtypeFormat(MediaSubtypeFromFourCC(0x01020304)), "0x01020304");
  EXPECT_EQ(SubtypeFormat(MEDIASUBTYPE_Asf), "{6B6D0801-9ADA-11D0-A520-00A0D10129C0}");
  EXPECT_EQ(MajorTypeName(MEDIATYPE_Stream), "{E436EB83-524F-11CE-9F53-0020AF0BA770}");

  GraphReport report{"a\"b\\c\n.wmv", "WMV Parser", {}};
  PinReport pin{"Stream \x01", MEDIATYPE_Video, MediaSubtypeFromFourCC(0x32564D57), "WMV2", {}};
  report.pins.push_back(pin);
  EXPECT_EQ(
      FormatJson(report),
      "{\"file\":\"a\\\"b\\\\c\\n.wmv\",\"filter\":\"WMV Parser\",\"pins\":[{\"name\":\"Stream \\u0001\","
      "\"major\":\"Video\",\"subtype\":\"{32564D57-0000-0010-8000-00AA00389B71}\",\"format\":\"WMV2\","
      "\"samples\":0,\"first_start_100ns\":null,\"last_start_100ns\":null,\"sync_points\":0,"
      "\"discontinuities\":0,\"preroll\":0,\"eos\":0,\"bytes\":0}]}\n");
}

}  // namespace
}  // namespace quorbel::testing
