// Every output format, with the defaults its profile selects, converts a generated clip through
// the controller and the real engine; the output is decoded again in full. The table says what
// each format's defaults make of the clip (640x480, 44100 Hz stereo, one second). No default
// profile fails: none preselects the size Auto, and the engine takes every encoder name of the
// mappings (the retired AAC and AMR names through its aliases).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cctype>
#include <memory>
#include <set>
#include <string>

#include "component_test_util.h"
#include "core/additional_options.h"
#include "core/batch/batch_controller.h"
#include "core/main_settings.h"
#include "decoded_streams.h"
#include "quorbel/fixtures.h"
#include "scripted_view.h"

namespace quorbel::app::testing {
namespace {

using ::testing::ElementsAre;

struct FormatCase {
  const char* format;  // the output format list's line
  // What the output decodes to; "" and 0 for a stream the output does not have.
  const char* videoCodec;
  int width;
  int height;
  const char* audioCodec;
  int sampleRate;
  int channels;
};

// clang-format off
const FormatCase kFormats[] = {
    // The 3GPP formats: AMR audio, always mono.
    {"3GP - Mobile Video Format (*.3gp)", "mpeg4", 176, 144, "amr_nb", 8000, 1},
    {"3G2 - Mobile Video Format (*.3g2)", "mpeg4", 176, 144, "amr_nb", 8000, 1},
    // An audio output by its tag although the profile fills the video lists.
    {"ASF - Advance Streaming Format (*.asf)", "", 0, 0, "mp3", 48000, 2},
    {"AVI - Audio Video Interleave (*.avi)", "mpeg4", 640, 480, "pcm_s16le", 48000, 2},
    {"AVI - DivX Video (*.avi)", "mpeg4", 640, 480, "mp3", 48000, 2},
    {"AVI - Uncompress (*.avi)", "rawvideo", 640, 480, "pcm_s16le", 48000, 2},
    {"AVI - XviD Video (*.avi)", "mpeg4", 640, 480, "mp3", 48000, 2},
    // The DVD profile preselects "724 x 480".
    {"DVD - VOB (*.vob)", "mpeg2video", 724, 480, "ac3", 48000, 2},
    {"FLV - Flash Video (*.flv)", "flv1", 640, 480, "mp3", 44100, 2},
    {"MOV - QuickTime Video (*.mov)", "mpeg4", 640, 480, "aac", 44100, 2},
    {"MP4 - MPEG4 Video (*.mp4)", "mpeg4", 640, 480, "aac", 44100, 2},
    {"MPEG-1 Movie (*.mpg)", "mpeg1video", 320, 240, "mp2", 44100, 2},
    {"MPEG-2 Movie (*.mpg)", "mpeg2video", 320, 240, "mp2", 44100, 2},
    {"RM - Real Video (*.rm)", "rv10", 320, 240, "ac3", 48000, 2},
    {"SWF - Flash Swf (*.swf)", "flv1", 640, 480, "mp3", 44100, 2},
    {"Super Video CD (*.mpg)", "mpeg2video", 480, 480, "mp2", 44100, 2},
    {"Video CD (*.mpg)", "mpeg1video", 352, 240, "mp2", 44100, 2},
    {"WMV - Windows Media Video (*.wmv)", "wmv2", 320, 240, "wmav2", 48000, 2},
    // Audio formats: no video stream.
    {"AAC - Advance Audio Coding (*.aac)", "", 0, 0, "aac", 48000, 2},
    {"AU - SUN Audio (*.au)", "", 0, 0, "pcm_s16be", 48000, 2},
    {"M4A - Mpeg4 Audio File (*.m4a)", "", 0, 0, "aac", 48000, 2},
    {"MP2 - Mpeg Layer2 Audio (*.mp2)", "", 0, 0, "mp2", 48000, 2},
    {"MP3 - Mpeg Layer3 Audio (*.mp3)", "", 0, 0, "mp3", 48000, 2},
    // Not an audio tag: with the video lists empty, the video keeps its size in the container's
    // own video codec.
    {"OGG - Ogg Vorbis Audio (*.ogg)", "theora", 640, 480, "vorbis", 48000, 2},
    {"RA - Real Audio (*.ra)", "", 0, 0, "ac3", 48000, 2},
    {"WAV - Waveform Audio (*.wav)", "", 0, 0, "pcm_s16le", 44100, 2},
    {"WMA - Windows Media Audio (*.wma)", "", 0, 0, "wmav2", 48000, 2},
    {"iPod (*.mp4)", "mpeg4", 320, 240, "aac", 44100, 2},
    {"iPod Extra (640 x 480) (*.mp4)", "mpeg4", 640, 480, "aac", 44100, 2},
    // The four iPod formats without a mapping of their own take the other iPods' mapping.
    {"iPod Video For TV (*.mp4)", "mpeg4", 640, 480, "aac", 44100, 2},
    {"Apple TV (*.mp4)", "mpeg4", 640, 480, "aac", 44100, 2},
    {"Apple TV H264 (320 x 240) (*.mp4)", "h264", 320, 240, "aac", 48000, 2},
    {"Apple TV H264 (640 x 480) (*.mp4)", "h264", 640, 480, "aac", 48000, 2},
    {"Apple TV H264 (1280 x 720) (*.mp4)", "h264", 1280, 720, "aac", 48000, 2},
    {"iPod Touch (*.mp4)", "mpeg4", 480, 320, "aac", 44100, 2},
    {"iPod Touch Extra (640 x 480) (*.mp4)", "mpeg4", 640, 480, "aac", 44100, 2},
    {"iPod Touch Wide Screen (*.mp4)", "mpeg4", 720, 406, "aac", 44100, 2},
    {"iPhone (*.mp4)", "mpeg4", 480, 320, "aac", 44100, 2},
    {"iPhone Extra (640 x 480) (*.mp4)", "mpeg4", 640, 480, "aac", 44100, 2},
    {"iPhone Wide Screen (*.mp4)", "mpeg4", 720, 480, "aac", 44100, 2},
    {"Zune Mpeg4 Video (*.mp4)", "mpeg4", 320, 240, "aac", 44100, 2},
    {"Zune WMV Windows Media Video (*.wmv)", "wmv2", 320, 240, "wmav2", 48000, 2},
    {"PSP Video (*.mp4)", "mpeg4", 368, 208, "aac", 24000, 2},
    {"PS3 Video (*.mp4)", "h264", 720, 480, "aac", 44100, 2},
    {"PS3 Video(480P) (*.mp4)", "h264", 720, 480, "aac", 44100, 2},
    {"PS3 Video(720P) (*.mp4)", "h264", 1280, 720, "aac", 44100, 2},
    {"PS3 Video(1080P) (*.mp4)", "h264", 1920, 1072, "aac", 44100, 2},
    {"Archos AV500/GMini402 (*.avi)", "mpeg4", 480, 272, "mp3", 48000, 2},
    {"Archos AV700 (*.avi)", "mpeg4", 720, 480, "mp3", 48000, 2},
    {"BlackBerry MPEG-4 Video (*.mp4)", "mpeg4", 320, 240, "aac", 44100, 2},
    {"BlackBerry AVI Video (*.avi)", "h263", 176, 144, "mp3", 44100, 2},
    {"BlackBerry 3GP Video (*.3gp)", "mpeg4", 176, 144, "amr_nb", 8000, 1},
    {"Creative Zen Vision (*.avi)", "mpeg4", 640, 480, "mp3", 48000, 2},
    {"iRiver PMP100 (*.avi)", "mpeg4", 640, 480, "mp3", 48000, 2},
};
// clang-format on

class FormatConversionTest : public ::testing::TestWithParam<FormatCase> {
 protected:
  quorbel::testing::ScratchFolder folder;
  MainSettings main;
  AdditionalOptions dialog{main};
  ScriptedView view;
  std::unique_ptr<BatchController> controller = std::make_unique<BatchController>(main, dialog, view);
};

TEST_P(FormatConversionTest, DefaultProfileConvertsTheClip) {
  const FormatCase& c = GetParam();
  ASSERT_TRUE(controller->LoadEngineLibraries(""));
  ASSERT_TRUE(main.SelectOutputFormat(c.format));
  main.EditOutputFolder = folder.Path("");
  view.chosenFiles = {fixtures::Path(fixtures::Fixture::kSquare640x480)};
  controller->ButtonAddFileClick();
  controller->ButtonConvertClick();
  view.RunUntilIdle(*controller);

  const SourceRow& row = controller->Rows().at(0);
  ASSERT_EQ(row.Cells[kCellProgress], "Done") << row.FailReason;
  EXPECT_THAT(view.messages, ElementsAre("All Conversions Completed"));
  const DecodedFile output = DecodeFile(row.OutputFile);
  ASSERT_TRUE(output.opened) << row.OutputFile;
  EXPECT_EQ(output.video.codec, c.videoCodec);
  EXPECT_EQ(output.video.width, c.width);
  EXPECT_EQ(output.video.height, c.height);
  EXPECT_EQ(output.audio.codec, c.audioCodec);
  EXPECT_EQ(output.audio.sampleRate, c.sampleRate);
  EXPECT_EQ(output.audio.channels, c.channels);
  EXPECT_EQ(output.video.errors + output.audio.errors, 0);
  EXPECT_EQ(output.video.frames > 0, *c.videoCodec != '\0');
  EXPECT_EQ(output.audio.frames > 0, *c.audioCodec != '\0');
}

std::string CaseName(const ::testing::TestParamInfo<FormatCase>& info) {
  std::string name;
  for (const char* p = info.param.format; *p != '\0' && *p != '('; ++p) {
    if (std::isalnum(static_cast<unsigned char>(*p))) name += *p;
  }
  return name + "_" + std::to_string(info.index);
}

INSTANTIATE_TEST_SUITE_P(EveryFormat, FormatConversionTest, ::testing::ValuesIn(kFormats), CaseName);

TEST(FormatTableTest, CoversEveryFormatOnce) {
  std::set<std::string> lines;
  for (const FormatCase& c : kFormats) EXPECT_TRUE(lines.insert(c.format).second) << c.format;
  for (const TheAVCodec& format : FormatCatalogue())
    EXPECT_EQ(lines.count(std::string(format.DisplayName)), 1u) << format.DisplayName;
  EXPECT_EQ(lines.size(), kFormatCount);
}

}  // namespace
}  // namespace quorbel::app::testing
