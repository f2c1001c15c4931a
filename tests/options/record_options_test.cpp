#include "options/record_options.h"

#include <gtest/gtest.h>

#include "quorbel/exceptions.h"
#include "test_job.h"

namespace quorbel {
namespace {

TEST(ApplyOutputOptions, FieldsOverrideTheTextAndFollowTheirRules) {
  TCustomFFmpeg job;
  TOutputOptions options;
  options.ExtOptions = "vcodec=mpeg4\nalang=fre\nslang=ger\ntitle=From text\nauthor=Writer\ncopyts";
  options.VideoCodec = "mpeg2video";
  options.Author.Assign("Someone");
  ApplyOutputOptions(job, options);
  const OptionState& s = job.settings;
  EXPECT_EQ(s.videoCodecName, "mpeg2video");
  // Languages and copyts always apply; empty metadata fields do not.
  EXPECT_EQ(s.audioLanguage, "");
  EXPECT_EQ(s.subtitleLanguage, "");
  EXPECT_FALSE(s.copyTimestamps);
  EXPECT_EQ(s.title, "From text");
  EXPECT_EQ(s.author, "Someone");
  EXPECT_EQ(s.videoSyncMethod, -1);
  EXPECT_EQ(s.padColor, (std::array<int32_t, 3>{0, 128, 128}));  // black, the field's default
}

TEST(ApplyOutputOptions, AppliesNumbersOnlyInTheirRange) {
  TCustomFFmpeg job;
  job.settings.frameWidth = 320;
  job.settings.frameHeight = 240;
  TOutputOptions options;
  options.ExtOptions = "ar=8000\nac=6\nvol=100\nmuxdelay=2";
  options.AudioVolume = 0;
  options.AudioChannels = -1;
  options.AudioSampleRate = 22050;
  options.CropTop = 0;
  options.CropLeft = 20;
  options.PadRight = 8;
  options.PadColor = 255 | 0x02000000;  // colour bits only
  options.MuxPreload = 0.25f;
  options.RecordingTime = 5000;
  options.Year = 2008;
  options.Track = 0;
  options.Genre.Assign("Jazz");
  ApplyOutputOptions(job, options);
  const OptionState& s = job.settings;
  EXPECT_EQ(s.audioVolume, 0);
  EXPECT_EQ(s.audioChannels, 6);
  EXPECT_EQ(s.audioSampleRate, 22050);
  EXPECT_EQ(s.cropTop, 0);
  EXPECT_EQ(s.frameWidth, 300);
  EXPECT_EQ(s.padRight, 8);
  EXPECT_EQ(s.padColor, (std::array<int32_t, 3>{76, 85, 255}));
  EXPECT_FLOAT_EQ(s.muxMaxDelay, 2.0f);
  EXPECT_FLOAT_EQ(s.muxPreload, 0.25f);
  EXPECT_EQ(s.recordingTimeUs, 5000000);
  EXPECT_EQ(job.TotalOutputDuration, 5000);
  EXPECT_EQ(s.year, 2008);
  EXPECT_EQ(s.track, 0);
  EXPECT_EQ(s.genre, "Jazz");
}

TEST(ApplyOutputOptions, BitRateFieldsUseTheGenericPathWithoutWarning) {
  testing::LoggedJob logged;
  TOutputOptions options;
  options.VideoBitrate = 800;
  options.AudioBitrate = 64000;
  options.GOPSize = 12;
  options.VideoBufSize = 1835008;
  options.PacketSize = 2048;
  options.MuxRate = 10080000;
  ApplyOutputOptions(logged.job, options);
  EXPECT_TRUE(logged.lines.empty());
  const OptionState& s = logged.job.settings;
  EXPECT_EQ(s.codecTemplates[AVMEDIA_TYPE_VIDEO]->bit_rate, 800);
  EXPECT_EQ(s.codecTemplates[AVMEDIA_TYPE_AUDIO]->bit_rate, 64000);
  EXPECT_EQ(s.codecTemplates[AVMEDIA_TYPE_VIDEO]->gop_size, 12);
  EXPECT_EQ(s.codecTemplates[AVMEDIA_TYPE_VIDEO]->rc_buffer_size, 1835008);
  EXPECT_EQ(s.formatTemplate->packet_size, 2048u);
  ASSERT_EQ(s.privateOptions.size(), 1u);
  EXPECT_EQ(s.privateOptions[0].name, "muxrate");
}

TEST(ApplyOutputOptions, ParsesHookRangesOnlyWithoutHookCallbacks) {
  TCustomFFmpeg job;
  TOutputOptions options;
  options.HookRangeText = " 5000-6000, 2000-1000, 500 - 800 ,x-9";
  ApplyOutputOptions(job, options);
  EXPECT_EQ(job.hooks.HookRanges,
            (std::vector<THookRange>{{-1000, 9000}, {500000, 800000}, {5000000, 6000000}}));
  EXPECT_EQ(job.hooks.HookRangeIndex, 0);

  options.BeforeHook = true;
  options.HookRangeText = "0-1";
  ApplyOutputOptions(job, options);
  EXPECT_EQ(job.hooks.HookRanges.size(), 3u);
}

TEST(ParseHookRanges, KeepsOrderedRangesEndingAtOrAfterZero) {
  const struct {
    const char* text;
    std::vector<THookRange> ranges;
  } cases[] = {
      {"2000-1000, 500-800", {{500000, 800000}}},
      {"5-abc", {}},  // the end reads as -1 ms
      {"abc-5", {{-1000, 5000}}},
      {"", {}},
      {"7", {}},
      {"3-3,1-2", {{1000, 2000}, {3000, 3000}}},
      {"0-99999999999999999", {}},  // too large to count in microseconds
  };
  for (const auto& c : cases) EXPECT_EQ(ParseHookRanges(c.text), c.ranges) << c.text;
}

TEST(ApplyOutputOptions, TargetFieldsChooseAPreset) {
  TCustomFFmpeg job;
  job.settings.frameRate = AVRational{15, 1};
  TOutputOptions options;
  options.Target = 4;
  EXPECT_NO_THROW(ApplyOutputOptions(job, options));
  EXPECT_EQ(job.settings.forcedOutputFormat, nullptr);

  options.Target = 1;
  options.TargetNormDefault = 1;
  ApplyOutputOptions(job, options);
  EXPECT_STREQ(job.settings.forcedOutputFormat->name, "vcd");
  EXPECT_EQ(job.settings.frameHeight, 288);  // fell back to PAL

  options.Target = 2;
  options.TargetNorm = 2;
  ApplyOutputOptions(job, options);
  EXPECT_STREQ(job.settings.forcedOutputFormat->name, "svcd");
  EXPECT_EQ(job.settings.frameHeight, 480);
}

TEST(ApplyInputOptions, AppliesTextThenFormatStartAndProgram) {
  TCustomFFmpeg job;
  TInputOptions options;
  options.ExtOptions = "f=mp4\nprogramid=3";
  options.ForceFormat = "avi";
  options.StartTime = 1500;
  options.ProgramID = 0;
  ApplyInputOptions(job, options);
  ASSERT_NE(job.settings.forcedInputFormat, nullptr);
  EXPECT_STREQ(job.settings.forcedInputFormat->name, "avi");
  EXPECT_EQ(job.settings.startTimeUs, 1500000);
  EXPECT_EQ(job.settings.programId, 0);

  TCustomFFmpeg other;
  options = TInputOptions();
  options.ExtOptions = "programid=3\nss=2";
  options.StartTime = 0;
  ApplyInputOptions(other, options);
  EXPECT_EQ(other.settings.programId, 3);
  EXPECT_EQ(other.settings.startTimeUs, 2000000);

  options.ForceFormat = "ipod";
  try {
    ApplyInputOptions(other, options);
    ADD_FAILURE();
  } catch (const FFMpegException& error) {
    EXPECT_STREQ(error.what(), "Unknown input format: ipod");
  }
}

}  // namespace
}  // namespace quorbel
