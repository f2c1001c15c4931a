// The catalogue on the command line: the format listing, the arguments that are refused with the
// valid choices, and a batch that converts one file and fails another.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "catalogue_convert.h"
#include "component_test_util.h"
#include "core/format_catalogue.h"
#include "decoded_streams.h"
#include "quorbel/fixtures.h"

namespace quorbel::app::testing {
namespace {

using fixtures::Fixture;
using ::testing::HasSubstr;

struct CommandRun {
  int status;
  std::string out;
  std::string err;
};

CommandRun Formats(const cli::Arguments& args) {
  std::ostringstream out, err;
  const int status = cli::FormatsCommand(args, out, err);
  return {status, out.str(), err.str()};
}

CommandRun Convert(const cli::Arguments& args) {
  std::ostringstream out, err;
  const int status = cli::CatalogueConvertCommand(args, out, err);
  return {status, out.str(), err.str()};
}

TEST(CatalogueCliTest, FormatsListsTheSixtyTwoLines) {
  const CommandRun run = Formats({});
  EXPECT_EQ(run.status, 0);
  std::string expected;
  for (const std::string_view line : OutputFormatLines()) expected += std::string(line) + "\n";
  EXPECT_EQ(run.out, expected);
  EXPECT_EQ(Formats({"extra"}).status, 2);
}

TEST(CatalogueCliTest, CatalogueModeIsChosenByTheFormatArgument) {
  EXPECT_TRUE(cli::IsCatalogueConvert({"a.avi", "--format", "WAV - Waveform Audio (*.wav)", "-d", "out"}));
  EXPECT_FALSE(cli::IsCatalogueConvert({"a.avi", "-o", "b.wav"}));
  // The convert command hands --format on to the catalogue mode.
  std::ostringstream out, err;
  EXPECT_EQ(cli::ConvertCommand({"--format", "x", "--help"}, out, err), 0);
  EXPECT_THAT(out.str(), HasSubstr("--volume N"));
}

// Wrong arguments are refused before anything converts, and say what would be valid.
TEST(CatalogueCliTest, RefusesWhatTheWindowWouldNotOffer) {
  const std::string input = fixtures::Path(Fixture::kWavPcm);
  const std::string mp4 = "MP4 - MPEG4 Video (*.mp4)";
  struct Case {
    cli::Arguments args;
    std::vector<std::string> told;  // parts of stderr
  };
  const Case cases[] = {
      {{"-d", "/tmp", input}, {"no --format"}},
      {{"--format", mp4, input}, {"no -d OUTDIR"}},
      {{"--format", mp4, "-d", "/tmp"}, {"no INPUT"}},
      {{"--format", "MP5", "-d", "/tmp", input},
       {"unknown format 'MP5'; the formats are:\n  3GP - Mobile Video Format (*.3gp)\n",
        "\n  " + mp4 + "\n"}},
      {{"--format", mp4, "--set", "Colour=red", "-d", "/tmp", input},
       {"unknown list 'Colour'; the lists are:\n  Video Quality\n", "\n  Audio Quality\n",
        "\n  Sampling Rate"}},
      {{"--format", mp4, "--set", "Video Size=1 x 1", "-d", "/tmp", input},
       {"no item '1 x 1' in Video Size; its items are:\n", "\n  320 x 240 (VGA)\n"}},
      {{"--format", mp4, "--set", "Video Size", "-d", "/tmp", input}, {"--set needs LIST=ITEM"}},
      {{"--format", "WAV - Waveform Audio (*.wav)", "--set", "Video Size=320 x 240 (VGA)", "-d", "/tmp",
        input},
       {"has no Video Size list"}},
      {{"--format", mp4, "--volume", "11", "-d", "/tmp", input}, {"--volume takes 0 to 10, not '11'"}},
      {{"--format", mp4, "--volume", "-1", "-d", "/tmp", input}, {"--volume takes 0 to 10"}},
      {{"--format", mp4, "--aspect", "5:4", "-d", "/tmp", input}, {"--aspect takes Original, 4:3 or 16:9"}},
      {{"--format", mp4, "-d", "/nonexistent-quorbel", input},
       {"The output folder \"/nonexistent-quorbel\"\ndoes not exist or has been deleted!\nPlease choose"}},
  };
  for (const Case& c : cases) {
    const CommandRun run = Convert(c.args);
    EXPECT_EQ(run.status, 2) << run.err;
    for (const std::string& part : c.told) EXPECT_THAT(run.err, HasSubstr(part));
    EXPECT_EQ(run.out, "");
  }
}

// The batch goes on past a file that fails; the choices reach the job.
TEST(CatalogueCliTest, ConvertsEachInputAndPrintsItsResult) {
  quorbel::testing::ScratchFolder folder;
  const std::string good = fixtures::Path(Fixture::kSquare640x480);
  const std::string bad = fixtures::Path(Fixture::kRandomBytes);
  const CommandRun run = Convert({"--format", "MP4 - MPEG4 Video (*.mp4)", "--set",
                                  "video size=320 x 240 (VGA)", "--set", "Sampling Rate=22050 Hz", "--aspect",
                                  "16:9", "--volume", "10", "-d", folder.Path(""), bad, good});
  EXPECT_EQ(run.status, 1) << run.err;
  const std::string output = folder.Path("square_640x480.mp4");
  EXPECT_THAT(run.out, HasSubstr("Fail: " + bad + ": "));
  EXPECT_THAT(run.out, HasSubstr("Done: " + good + " -> " + output + "\n"));
  EXPECT_THAT(run.err, HasSubstr("All Conversions Completed"));
  const DecodedFile decoded = DecodeFile(output);
  EXPECT_EQ(decoded.video.codec, "mpeg4");
  EXPECT_EQ(decoded.video.width, 320);
  EXPECT_EQ(decoded.video.height, 240);
  EXPECT_EQ(decoded.audio.sampleRate, 22050);

  // Without --overwrite a second run picks a free name.
  const CommandRun again = Convert({"--format", "MP4 - MPEG4 Video (*.mp4)", "-d", folder.Path(""), good});
  EXPECT_EQ(again.status, 0) << again.err;
  EXPECT_EQ(again.out, "Done: " + good + " -> " + folder.Path("square_640x480-1.mp4") + "\n");
}

}  // namespace
}  // namespace quorbel::app::testing
