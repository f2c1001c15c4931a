#include <gtest/gtest.h>

#include "options/option_parser.h"
#include "quorbel/exceptions.h"
#include "test_job.h"

extern "C" {
#include <libavutil/opt.h>
}

namespace quorbel {
namespace {

// Touches every kind of state the option handlers allocate.
const char* const kBusyText =
    "vcodec=mpeg4\nacodec=mp2\nscodec=dvdsub\nalang=eng\nslang=ger\ntvstd=ntsc\nrc_override=0,10,2\n"
    "intra_matrix=8,16,16,16,16,16,16,16,16,16,16,16,16,16,16,16,16,16,16,16,16,16,16,16,16,16,16,16,16,16,"
    "16,"
    "16,16,16,16,16,16,16,16,16,16,16,16,16,16,16,16,16,16,16,16,16,16,16,16,16,16,16,16,16,16,16,16,16\n"
    "qmax=20\nvb=900000\npreset=fast\nmovflags=+faststart\nvstats_file=v.log\ntitle=t\n"
    "map=0:0\nmap_meta_data=0:0\ntarget=pal-dvd\ns=352x288\nr=25\nvtag=xvid\ninter_matrix=16";

TEST(OptionState, ResetRestoresEveryDefault) {
  TCustomFFmpeg job;
  try {
    ParseOptionText(job, kBusyText);
  } catch (const FFMpegException&) {
    // the last line fails; everything before it is set
  }
  job.hooks.UsePluginHooks = true;
  job.hooks.HookRanges.push_back({1, 2});
  job.Finished = true;
  job.TotalOutputDuration = 10;
  job.ResetOptionState();

  const OptionState defaults;
  const OptionState& s = job.settings;
  EXPECT_EQ(s.videoCodecName, defaults.videoCodecName);
  EXPECT_EQ(s.audioLanguage, "");
  EXPECT_FALSE(s.intraMatrix);
  EXPECT_FALSE(s.interMatrix);
  EXPECT_TRUE(s.recordedOptionNames.empty());
  EXPECT_TRUE(s.privateOptions.empty());
  EXPECT_TRUE(s.streamMaps.empty());
  EXPECT_EQ(s.frameWidth, 0);
  EXPECT_EQ(s.frameAspectRatio, 0.0f);
  EXPECT_EQ(s.audioSampleRate, 44100);
  EXPECT_EQ(s.recordingTimeUs, INT64_MAX);
  EXPECT_EQ(s.forcedOutputFormat, nullptr);
  EXPECT_FALSE(job.hooks.UsePluginHooks);
  EXPECT_TRUE(job.hooks.HookRanges.empty());
  EXPECT_FALSE(job.Finished);
  EXPECT_EQ(job.TotalOutputDuration, -1);
  // Fresh templates with the libraries' defaults.
  for (int type = 0; type < kCodecTemplateCount; ++type) {
    ASSERT_TRUE(s.codecTemplates[type]);
    EXPECT_EQ(s.codecTemplates[type]->codec_type, type);
  }
  EXPECT_EQ(s.codecTemplates[AVMEDIA_TYPE_VIDEO]->qmax, 31);
  int64_t flags = 0;
  av_opt_get_int(s.scalerTemplate.get(), "sws_flags", 0, &flags);
  EXPECT_EQ(flags, 4);
}

TEST(OptionState, AReleasedJobDropsGenericOptionsUntilReset) {
  TCustomFFmpeg job;
  job.ReleaseOptionState();
  job.ReleaseOptionState();
  ParseOptionText(job, "qmax=5\npreset=slow");
  EXPECT_TRUE(job.settings.recordedOptionNames.empty());
  EXPECT_TRUE(job.settings.privateOptions.empty());
  job.ResetOptionState();
  ParseOptionText(job, "qmax=5");
  EXPECT_EQ(job.settings.recordedOptionNames.size(), 1u);
}

// Thousands of parse/reset cycles; the sanitizer build reports anything they leak.
TEST(OptionState, ParseResetCyclesReleaseEverything) {
  TCustomFFmpeg job;
  for (int cycle = 0; cycle < 3000; ++cycle) {
    job.ResetOptionState();
    try {
      ParseOptionText(job, kBusyText);
    } catch (const FFMpegException&) {
    }
    ParseOptionText(job, "vcodec=copy\ns=640x480\ncroptop=2\npadcolor=255\nt=10\nss=1\npass=1");
    EXPECT_THROW(ParseOptionText(job, "fs=abc"), ConversionError);
  }
  EXPECT_EQ(job.settings.frameHeight, 478);
}

}  // namespace
}  // namespace quorbel
