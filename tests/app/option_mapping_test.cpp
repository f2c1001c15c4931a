#include "core/option_mapping.h"

#include <gtest/gtest.h>

#include <cctype>
#include <map>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "core/additional_options.h"
#include "core/format_catalogue.h"
#include "core/main_settings.h"
#include "core/row_job.h"
#include "quorbel/exceptions.h"

namespace quorbel::app {
namespace {

void Choose(MainSettings& main, const std::string& line) {
  main.ComboOutputFormat.SelectText(line);
  ASSERT_GE(main.ComboOutputFormat.ItemIndex(), 0) << line;
  main.ComboOutputFormatChange();
}

TEST(FrameSizeArgument, DropsTheLabelAndTheBlanks) {
  const std::map<std::string, std::string> cases = {{"176 x 144 (QCIF)", "176x144"},
                                                    {"320 x 240 ", "320x240"},
                                                    {"704 x 576 (4CIF)", "704x576"},
                                                    {"1920 x 1072", "1920x1072"},
                                                    {"Original Video Size", "original"},
                                                    {"Auto", "Auto"},
                                                    {"", ""},
                                                    {"(QCIF)", ""},
                                                    {"1 x 2 (a) (b)", "1x2"}};
  for (const auto& [text, argument] : cases) EXPECT_EQ(FrameSizeArgument(text), argument) << text;
}

TEST(CodecNames, MapTheLowerCasedListTexts) {
  const std::map<std::string, std::string> video = {{"H264", "libx264"},
                                                    {"XVID", "libxvid"},
                                                    {"XVid", "libxvid"},
                                                    {"WMV2X", "wmv2"},
                                                    {"mpeg4_QT", "mpeg4"},
                                                    {"MPEG4", "mpeg4"},
                                                    {"H263", "h263"},
                                                    {"MPEG1VIDEO", "mpeg1video"},
                                                    {"MPEG2VIDEO", "mpeg2video"},
                                                    {"RAWVIDEO", "rawvideo"},
                                                    {"MSMPEG4", "msmpeg4"},
                                                    {"FLV", "flv"},
                                                    {"RV10", "rv10"},
                                                    {"RV20", "rv20"},
                                                    {"WMV2", "wmv2"},
                                                    {"", ""}};
  for (const auto& [text, name] : video) EXPECT_EQ(GeneralVideoCodecName(text), name) << text;

  const std::map<std::string, std::string> device = {{"H264", "libx264"},
                                                     {"XVID", "libxvid"},
                                                     {"WMV2X", "wmv2x"},
                                                     {"MPEG4_QT", "mpeg4_qt"},
                                                     {"H263", "h263"}};
  for (const auto& [text, name] : device) EXPECT_EQ(DeviceVideoCodecName(text), name) << text;

  const std::map<std::string, std::string> audio = {{"aac", "libfaac"},
                                                    {"AC3", "ac3"},
                                                    {"flac", "flac"},
                                                    {"asf", "mp3"},
                                                    {"mp3", "libmp3lame"},
                                                    {"M4A", "mpeg4aac"},
                                                    {"mpeg4aac", "libfaac"},
                                                    {"ra", "ac3"},
                                                    {"wma7x", "wmav2"},
                                                    {"wav", "pcm_s16le"},
                                                    {"mpeg4aac_qt", "libfaac"},
                                                    {"amr_nb", "libamr_nb"},
                                                    {"mp2", "mp2"},
                                                    {"pcm_s16le", "pcm_s16le"},
                                                    {"pcm_s16be", "pcm_s16be"},
                                                    {"Vorbis", "vorbis"},
                                                    {"wmav2", "wmav2"}};
  for (const auto& [text, name] : audio) EXPECT_EQ(GeneralAudioCodecName(text), name) << text;
}

TEST(MappingForFormat, GivesEveryFormatAMapping) {
  std::map<OptionMapping, std::vector<std::string>> byMapping;
  for (const TheAVCodec& row : FormatCatalogue()) {
    byMapping[MappingForFormat(row.TypeNo)].push_back(std::string(row.DisplayName));
  }
  EXPECT_EQ(byMapping[OptionMapping::kAmr], (std::vector<std::string>{"3GP - Mobile Video Format (*.3gp)",
                                                                      "3G2 - Mobile Video Format (*.3g2)"}));
  EXPECT_EQ(byMapping[OptionMapping::kAacDevice].size(), 10u);
  EXPECT_EQ(byMapping[OptionMapping::kGeneral].size(), 42u);
  EXPECT_EQ(byMapping.count(OptionMapping::kNone), 0u);
  EXPECT_EQ(MappingForFormat(static_cast<int>(FormatType::kBlackBerry3gp)), OptionMapping::kGeneral);
  EXPECT_EQ(MappingForFormat(static_cast<int>(FormatType::kIPodTouchWideScreen)), OptionMapping::kAacDevice);
  EXPECT_EQ(MappingForFormat(-1), OptionMapping::kNone);
  EXPECT_EQ(MappingForFormat(54), OptionMapping::kNone);
}

// What the job of a 720x576 source gets from each format's default profile, fresh window state:
// "Stereo", aspect "Original", volume "100%".
struct JobCase {
  const char* format;
  const char* videoCodec;
  int32_t videoBitrate;
  const char* frameSize;
  const char* audioCodec;
  int32_t audioBitrate;
  int32_t sampleRate;
  int32_t channels;  // -1: not set
  bool disableVideo;
};

const std::vector<JobCase> kJobs = {
    {"3GP - Mobile Video Format (*.3gp)", "mpeg4", 128000, "176x144", "libamr_nb", 7400, 8000, 1, false},
    {"3G2 - Mobile Video Format (*.3g2)", "mpeg4", 128000, "176x144", "libamr_nb", 7400, 8000, 1, false},
    {"ASF - Advance Streaming Format (*.asf)", "msmpeg4", 1200000, "", "libmp3lame", 128000, 48000, 2, true},
    {"AVI - Audio Video Interleave (*.avi)", "mpeg4", 1200000, "", "pcm_s16le", 128000, 48000, 2, false},
    {"AVI - DivX Video (*.avi)", "mpeg4", 1200000, "", "libmp3lame", 128000, 48000, 2, false},
    {"AVI - Uncompress (*.avi)", "rawvideo", 1200000, "", "pcm_s16le", 128000, 48000, 2, false},
    {"AVI - XviD Video (*.avi)", "libxvid", 1200000, "", "libmp3lame", 128000, 48000, 2, false},
    {"DVD - VOB (*.vob)", "mpeg2video", 6000000, "724x480", "ac3", 224000, 48000, 2, false},
    {"FLV - Flash Video (*.flv)", "flv", 200000, "", "libmp3lame", 64000, 44100, 2, false},
    {"MOV - QuickTime Video (*.mov)", "mpeg4", 1200000, "", "libfaac", 128000, 44100, 2, false},
    {"MP4 - MPEG4 Video (*.mp4)", "mpeg4", 1200000, "", "libfaac", 128000, 44100, 2, false},
    {"MPEG-1 Movie (*.mpg)", "mpeg1video", 1600000, "320x240", "mp2", 192000, 44100, 2, false},
    {"MPEG-2 Movie (*.mpg)", "mpeg2video", 2000000, "320x240", "mp2", 192000, 44100, 2, false},
    {"RM - Real Video (*.rm)", "rv10", 384000, "320x240", "ac3", 128000, 48000, 2, false},
    {"SWF - Flash Swf (*.swf)", "flv", 200000, "", "libmp3lame", 64000, 44100, 2, false},
    {"Super Video CD (*.mpg)", "mpeg2video", 2040000, "480x480", "mp2", 224000, 44100, 2, false},
    {"Video CD (*.mpg)", "mpeg1video", 1150000, "352x240", "mp2", 224000, 44100, 2, false},
    {"WMV - Windows Media Video (*.wmv)", "wmv2", 1200000, "320x240", "wmav2", 128000, 48000, 2, false},
    {"AAC - Advance Audio Coding (*.aac)", "", 0, "", "libfaac", 128000, 48000, 2, true},
    {"AU - SUN Audio (*.au)", "", 0, "", "pcm_s16be", 128000, 48000, 2, true},
    {"M4A - Mpeg4 Audio File (*.m4a)", "", 0, "", "libfaac", 128000, 48000, 2, true},
    {"MP2 - Mpeg Layer2 Audio (*.mp2)", "", 0, "", "mp2", 224000, 48000, 2, true},
    {"MP3 - Mpeg Layer3 Audio (*.mp3)", "", 0, "", "libmp3lame", 192000, 48000, 2, true},
    {"OGG - Ogg Vorbis Audio (*.ogg)", "", 0, "", "vorbis", 160000, 48000, 2, false},
    {"RA - Real Audio (*.ra)", "", 0, "", "ac3", 128000, 48000, 2, true},
    {"WAV - Waveform Audio (*.wav)", "", 0, "", "pcm_s16le", 128000, 44100, 2, true},
    {"WMA - Windows Media Audio (*.wma)", "", 0, "", "wmav2", 128000, 48000, 2, true},
    {"iPod (*.mp4)", "mpeg4", 512000, "320x240", "libfaac", 64000, 44100, -1, false},
    {"iPod Extra (640 x 480) (*.mp4)", "mpeg4", 1500000, "640x480", "libfaac", 64000, 44100, -1, false},
    {"iPod Video For TV (*.mp4)", "mpeg4", 1500000, "640x480", "libfaac", 64000, 44100, -1, false},
    {"Apple TV (*.mp4)", "mpeg4", 1500000, "640x480", "libfaac", 128000, 44100, -1, false},
    {"Apple TV H264 (320 x 240) (*.mp4)", "libx264", 1200000, "320x240", "libfaac", 64000, 48000, -1, false},
    {"Apple TV H264 (640 x 480) (*.mp4)", "libx264", 2000000, "640x480", "libfaac", 64000, 48000, -1, false},
    {"Apple TV H264 (1280 x 720) (*.mp4)", "libx264", 2500000, "1280x720", "libfaac", 64000, 48000, -1,
     false},
    {"iPod Touch (*.mp4)", "mpeg4", 1200000, "480x320", "libfaac", 80000, 44100, -1, false},
    {"iPod Touch Extra (640 x 480) (*.mp4)", "mpeg4", 1500000, "640x480", "libfaac", 80000, 44100, -1, false},
    {"iPod Touch Wide Screen (*.mp4)", "mpeg4", 1500000, "720x406", "libfaac", 128000, 44100, -1, false},
    {"iPhone (*.mp4)", "mpeg4", 1200000, "480x320", "libfaac", 80000, 44100, 2, false},
    {"iPhone Extra (640 x 480) (*.mp4)", "mpeg4", 1500000, "640x480", "libfaac", 128000, 44100, 2, false},
    {"iPhone Wide Screen (*.mp4)", "mpeg4", 1500000, "720x480", "libfaac", 128000, 44100, 2, false},
    {"Zune Mpeg4 Video (*.mp4)", "mpeg4", 1500000, "320x240", "libfaac", 128000, 44100, 2, false},
    {"Zune WMV Windows Media Video (*.wmv)", "wmv2", 1200000, "320x240", "wmav2", 128000, 48000, 2, false},
    {"PSP Video (*.mp4)", "mpeg4", 768000, "368x208", "libfaac", 64000, 24000, 2, false},
    {"PS3 Video (*.mp4)", "libx264", 1200000, "720x480", "libfaac", 96000, 44100, 2, false},
    {"PS3 Video(480P) (*.mp4)", "libx264", 1200000, "720x480", "libfaac", 96000, 44100, 2, false},
    {"PS3 Video(720P) (*.mp4)", "libx264", 2000000, "1280x720", "libfaac", 96000, 44100, 2, false},
    {"PS3 Video(1080P) (*.mp4)", "libx264", 2000000, "1920x1072", "libfaac", 96000, 44100, 2, false},
    {"Archos AV500/GMini402 (*.avi)", "mpeg4", 1200000, "480x272", "libmp3lame", 128000, 48000, 2, false},
    {"Archos AV700 (*.avi)", "mpeg4", 2000000, "720x480", "libmp3lame", 128000, 48000, 2, false},
    {"BlackBerry MPEG-4 Video (*.mp4)", "mpeg4", 300000, "320x240", "libfaac", 80000, 44100, 2, false},
    {"BlackBerry AVI Video (*.avi)", "h263", 300000, "176x144", "libmp3lame", 80000, 44100, 2, false},
    {"BlackBerry 3GP Video (*.3gp)", "mpeg4", 120000, "176x144", "libamr_nb", 4750, 8000, 1, false},
    {"Creative Zen Vision (*.avi)", "mpeg4", 1200000, "640x480", "libmp3lame", 128000, 48000, 2, false},
    {"iRiver PMP100 (*.avi)", "mpeg4", 1200000, "640x480", "libmp3lame", 128000, 48000, 2, false},
};

void PrintTo(const JobCase& c, std::ostream* out) {
  *out << c.format;
}

class EveryFormatJob : public testing::TestWithParam<JobCase> {};

TEST_P(EveryFormatJob, FillsTheOutputOptionsOfItsDefaultProfile) {
  const JobCase& expected = GetParam();
  MainSettings main;
  Choose(main, expected.format);
  TOutputOptions options;
  options.FrameRate = "stale";  // a record reused from the previous row
  FillJobOutputOptions(main, "720x576", options);

  EXPECT_EQ(options.VideoCodec, expected.videoCodec);
  EXPECT_EQ(options.VideoBitrate, expected.videoBitrate);
  EXPECT_EQ(options.FrameSize, expected.frameSize);
  EXPECT_EQ(options.AudioCodec, expected.audioCodec);
  EXPECT_EQ(options.AudioBitrate, expected.audioBitrate);
  EXPECT_EQ(options.AudioSampleRate, expected.sampleRate);
  EXPECT_EQ(options.AudioChannels, expected.channels);
  EXPECT_EQ(options.DisableVideo, expected.disableVideo);
  EXPECT_EQ(options.AudioVolume, 255);
  EXPECT_EQ(options.FrameAspectRatio, "1.25");
  // Nothing else is written; the frame rate list is never read.
  const TOutputOptions defaults;
  EXPECT_EQ(options.FrameRate, defaults.FrameRate);
  EXPECT_EQ(options.FileName, defaults.FileName);
  EXPECT_EQ(options.ForceFormat, defaults.ForceFormat);
  EXPECT_EQ(options.Target, defaults.Target);
  EXPECT_EQ(options.DisableAudio, defaults.DisableAudio);
  EXPECT_EQ(options.ExtOptions, defaults.ExtOptions);
}

std::string JobName(const testing::TestParamInfo<JobCase>& info) {
  std::string name;
  for (const char c : std::string(info.param.format)) {
    if (std::isalnum(static_cast<unsigned char>(c))) name += c;
  }
  return name;
}

INSTANTIATE_TEST_SUITE_P(Catalogue, EveryFormatJob, testing::ValuesIn(kJobs), JobName);

TEST(EveryFormatJob, TheTableCoversTheWholeCatalogue) {
  std::set<std::string> covered;
  for (const JobCase& job : kJobs) covered.insert(job.format);
  EXPECT_EQ(covered.size(), 54u);
  for (const TheAVCodec& row : FormatCatalogue()) EXPECT_EQ(covered.count(std::string(row.DisplayName)), 1u);
}

TEST(GeneralMapping, TakesChannelsAndAspectFromTheLists) {
  MainSettings main;
  Choose(main, "3GP - Mobile Video Format (*.3gp)");  // "Mono"
  Choose(main, "Video CD (*.mpg)");                   // leaves it
  main.Controls.ComboAspectRatio.SelectText("16:9");
  TOutputOptions options;
  ApplyProfileOptions(main, options);
  EXPECT_EQ(options.AudioChannels, 1);
  EXPECT_EQ(options.FrameAspectRatio, "16:9");
}

TEST(GeneralMapping, ThreeGppTagsForceMonoWhateverTheList) {
  MainSettings main;
  Choose(main, "BlackBerry 3GP Video (*.3gp)");
  main.Controls.ComboAudioChannels.SelectText("Stereo");
  TOutputOptions options;
  ApplyProfileOptions(main, options);
  EXPECT_EQ(options.AudioChannels, 1);
}

TEST(GeneralMapping, AutoSizeKeepsTheSourceSize) {
  MainSettings main;
  Choose(main, "Archos AV500/GMini402 (*.avi)");
  main.Controls.ComboVideoSize.SelectText("Auto");
  ASSERT_EQ(main.Controls.ComboVideoSize.Text(), "Auto");
  TOutputOptions options;
  ApplyProfileOptions(main, options);
  EXPECT_EQ(options.FrameSize, "");
}

TEST(AmrMapping, AlwaysUsesTheAmrEncoderAndMono) {
  MainSettings main;
  Choose(main, "3GP - Mobile Video Format (*.3gp)");
  main.Controls.ComboAudioCodec.SelectText("mpeg4aac");
  main.Controls.ComboVideoCodec.SelectText("H264");
  main.Controls.ComboAudioBitrate.SelectText("12200 bps");
  main.Controls.ComboSamplingRate.SelectText("16000 bps");
  TOutputOptions options;
  ApplyProfileOptions(main, options);
  EXPECT_EQ(options.AudioCodec, "libamr_nb");
  EXPECT_EQ(options.VideoCodec, "libx264");
  EXPECT_EQ(options.AudioBitrate, 12200);
  EXPECT_EQ(options.AudioSampleRate, 16000);
  EXPECT_EQ(options.AudioChannels, 1);
  EXPECT_EQ(options.FrameAspectRatio, "");
}

TEST(Mappings, AnEmptyRateTextFailsBeforeAnyFieldIsWritten) {
  struct Case {
    const char* format;
    SettingList SettingControls::*list;
  };
  const Case cases[] = {
      {"MP4 - MPEG4 Video (*.mp4)", &SettingControls::ComboAudioBitrate},
      {"MP4 - MPEG4 Video (*.mp4)", &SettingControls::ComboSamplingRate},
      {"3GP - Mobile Video Format (*.3gp)", &SettingControls::ComboAudioBitrate},
      {"3GP - Mobile Video Format (*.3gp)", &SettingControls::ComboSamplingRate},
      {"iPod (*.mp4)", &SettingControls::ComboSamplingRate},
  };
  for (const Case& c : cases) {
    MainSettings main;
    Choose(main, c.format);
    (main.Controls.*c.list).SetItemIndex(-1);
    TOutputOptions options;
    try {
      FillJobOutputOptions(main, "640x480", options);
      ADD_FAILURE() << c.format << ": no error";
    } catch (const ConversionError& error) {
      EXPECT_STREQ(error.what(), "'' is not a valid integer value");
    }
    EXPECT_EQ(options.VideoCodec, "") << c.format;
    EXPECT_EQ(options.AudioCodec, "") << c.format;
    EXPECT_EQ(options.VideoBitrate, -1) << c.format;
    EXPECT_EQ(options.AudioVolume, -1) << c.format;
  }
}

TEST(Mappings, AnEmptyKbpsTextGivesZero) {
  MainSettings main;
  Choose(main, "MP4 - MPEG4 Video (*.mp4)");
  main.Controls.ComboVideoBitrate.SetItemIndex(-1);
  TOutputOptions options;
  ApplyProfileOptions(main, options);
  EXPECT_EQ(options.VideoBitrate, 0);

  // The device mapping reads its audio bit-rate as Kbps whatever the text.
  Choose(main, "iPod (*.mp4)");
  main.Controls.ComboAudioBitrate.SetItemIndex(-1);
  ApplyProfileOptions(main, options);
  EXPECT_EQ(options.AudioBitrate, 0);
}

TEST(FillJobOutputOptions, WithoutAnAppliedFormatSetsOnlyVolumeAndAspect) {
  MainSettings main;
  main.SetTrackBar1Position(0);
  TOutputOptions options;
  FillJobOutputOptions(main, "1920x1080", options);
  EXPECT_EQ(options.AudioVolume, 600);
  EXPECT_EQ(options.FrameAspectRatio, "1.7778");
  EXPECT_EQ(options.VideoCodec, "");
  EXPECT_EQ(options.AudioCodec, "");
  EXPECT_EQ(options.AudioBitrate, -1);
  EXPECT_EQ(options.AudioChannels, -1);
}

TEST(FillJobOutputOptions, TheDialogsAspectChoiceWins) {
  MainSettings main;
  AdditionalOptions dialog(main);
  Choose(main, "WMV - Windows Media Video (*.wmv)");
  const std::pair<int, const char*> choices[] = {{0, "1.3333"}, {1, "4:3"}, {2, "16:9"}};
  for (const auto& [index, aspect] : choices) {
    dialog.ComboAspectRatio4.SetItemIndex(index);
    dialog.ComboAspectRatio4Change();
    TOutputOptions options;
    FillJobOutputOptions(main, " ", options);  // audio-only source
    EXPECT_EQ(options.FrameAspectRatio, aspect) << index;
  }
}

TEST(AspectRatioOfVideoSize, RoundsToFourDecimalsAndFallsBack) {
  const std::map<std::string, std::string> cases = {
      {"640x480", "1.3333"},     {"720x576", "1.25"}, {"1920x1080", "1.7778"}, {"  720x480 ", "1.5"},
      {"200x100", "2"},          {"1x3", "0.3333"},   {"", "1.3333"},          {" ", "1.3333"},
      {"640x0", "1.3333"},       {"0x0", "1.3333"},   {"0x480", "1.3333"},     {"-640x480", "1.3333"},
      {"abc", "1.3333"},         {"640", "1.3333"},   {"x480", "1.3333"},      {"640x480x2", "1.3333"},
      {"1e308x1e-308", "1.3333"}};
  for (const auto& [cell, ratio] : cases) EXPECT_EQ(AspectRatioOfVideoSize(cell), ratio) << cell;
}

}  // namespace
}  // namespace quorbel::app
