#include "options/option_parser.h"

#include <gtest/gtest.h>

#include "quorbel/exceptions.h"
#include "test_job.h"

namespace quorbel {
namespace {

using testing::LoggedJob;

TEST(ParseOptionText, SplitsLinesAtCrLfCrAndLfAfterTrimmingTheText) {
  TCustomFFmpeg job;
  ParseOptionText(job, "  \r\nvcodec=copy\r\nacodec=mp2\rvframes=7\nalang=fre\r\n\t ");
  EXPECT_TRUE(job.settings.videoStreamCopy);
  EXPECT_EQ(job.settings.videoCodecName, "");
  EXPECT_EQ(job.settings.audioCodecName, "mp2");
  EXPECT_EQ(job.settings.maxVideoFrames, 7);
  EXPECT_EQ(job.settings.audioLanguage, "fre");
}

TEST(ParseOptionText, TakesNamesAndValuesAsWritten) {
  TCustomFFmpeg job;
  // A blank before the name makes it another name: the generic path drops it.
  ParseOptionText(job, "title=x\ncomment= spaced \n vcodec=mpeg4\nVCODEC=mpeg4\nalbum=a=b");
  EXPECT_EQ(job.settings.videoCodecName, "");
  EXPECT_TRUE(job.settings.recordedOptionNames.empty());
  EXPECT_EQ(job.settings.album, "a=b");
  EXPECT_EQ(job.settings.comment, " spaced ");
}

TEST(ParseOptionText, StopsAtTheFirstFailingOption) {
  TCustomFFmpeg job;
  EXPECT_THROW(ParseOptionText(job, "vframes=3\npass=3\nvcodec=mpeg4"), FFMpegException);
  EXPECT_EQ(job.settings.maxVideoFrames, 3);
  EXPECT_EQ(job.settings.videoCodecName, "");
}

TEST(HandleOption, RejectsUnsupportedOptions) {
  for (const char* name : {"threads", "absf", "vbsf", "sbsf"}) {
    TCustomFFmpeg job;
    try {
      ParseOptionText(job, std::string(name) + "=2");
      ADD_FAILURE() << name;
    } catch (const FFMpegException& error) {
      EXPECT_EQ(std::string(error.what()), std::string("TODO: option - ") + name);
    }
  }
}

TEST(HandleOption, ValuesThatDoNotConvertRaiseTheConversionError) {
  const struct {
    const char* text;
    const char* message;
  } cases[] = {
      {"fs=abc", "'abc' is not a valid integer value"},
      {"vframes=1.5", "'1.5' is not a valid integer value"},
      {"muxdelay=fast", "'fast' is not a valid floating point value"},
      {"croptop=", "'' is not a valid integer value"},
  };
  for (const auto& c : cases) {
    TCustomFFmpeg job;
    try {
      ParseOptionText(job, c.text);
      ADD_FAILURE() << c.text;
    } catch (const ConversionError& error) {
      EXPECT_EQ(std::string(error.what()), c.message) << c.text;
    }
  }
}

TEST(HandleOption, FlagOptionsSetTheirSetting) {
  const struct {
    const char* name;
    bool OptionState::*field;
  } cases[] = {
      {"dump", &OptionState::packetDump},       {"hex", &OptionState::hexDump},
      {"re", &OptionState::rateEmulation},      {"loop_input", &OptionState::loopInput},
      {"copyts", &OptionState::copyTimestamps}, {"shortest", &OptionState::shortest},
      {"intra", &OptionState::intraOnly},       {"vn", &OptionState::videoDisable},
      {"sameq", &OptionState::sameQuality},     {"deinterlace", &OptionState::deinterlace},
      {"psnr", &OptionState::doPsnr},           {"qphist", &OptionState::qpHistogram},
      {"an", &OptionState::audioDisable},       {"sn", &OptionState::subtitleDisable},
      {"isync", &OptionState::inputSync},
  };
  for (const auto& c : cases) {
    TCustomFFmpeg job;
    HandleOption(job, c.name, "ignored");
    EXPECT_TRUE(job.settings.*c.field) << c.name;
  }
}

TEST(HandleOption, NumberOptionsStoreTheirValueUnchecked) {
  const struct {
    const char* name;
    const char* value;
    int32_t OptionState::*field;
    int32_t expected;
  } integers[] = {
      {"dframes", "4", &OptionState::maxDataFrames, 4},
      {"vframes", "$10", &OptionState::maxVideoFrames, 16},
      {"aframes", "0x20", &OptionState::maxAudioFrames, 32},
      {"loop_output", "0", &OptionState::loopOutput, 0},
      {"vsync", "2", &OptionState::videoSyncMethod, 2},
      {"async", "100", &OptionState::audioSyncMethod, 100},
      {"vglobal", "3", &OptionState::videoGlobalHeader, 3},
      {"programid", "-7", &OptionState::programId, -7},
      {"vdt", "48", &OptionState::videoDiscard, 48},
      {"top", "1", &OptionState::topFieldFirst, 1},
      {"dc", "10", &OptionState::intraDcPrecision, 10},
      {"vol", "512", &OptionState::audioVolume, 512},
      {"vc", "2", &OptionState::videoChannel, 2},
      {"ar", "22050", &OptionState::audioSampleRate, 22050},
      {"ac", "1", &OptionState::audioChannels, 1},
      {"me_threshold", "5", &OptionState::meThreshold, 5},
  };
  for (const auto& c : integers) {
    TCustomFFmpeg job;
    HandleOption(job, c.name, c.value);
    EXPECT_EQ(job.settings.*c.field, c.expected) << c.name;
  }
  const struct {
    const char* name;
    float OptionState::*field;
  } reals[] = {
      {"adrift_threshold", &OptionState::audioDriftThreshold},
      {"dts_delta_threshold", &OptionState::dtsDeltaThreshold},
      {"aq", &OptionState::audioQScale},
      {"muxdelay", &OptionState::muxMaxDelay},
      {"muxpreload", &OptionState::muxPreload},
  };
  for (const auto& c : reals) {
    TCustomFFmpeg job;
    HandleOption(job, c.name, "0.25");
    EXPECT_FLOAT_EQ(job.settings.*c.field, 0.25f) << c.name;
  }
  TCustomFFmpeg job;
  HandleOption(job, "fs", "5000000000");
  EXPECT_EQ(job.settings.outputSizeLimit, 5000000000);
}

TEST(HandleOption, TextOptions) {
  TCustomFFmpeg job;
  ParseOptionText(job,
                  "title=T\ntitle=\nauthor=A\ncopyright=C\ncomment=K\ngenre=G\nalbum=L\n"
                  "alang=eng\nalang=\nslang=ger\ntvstd=pal\npasslogfile=stats\nrc_override=0,10,2");
  const OptionState& s = job.settings;
  EXPECT_EQ(s.title, "T");  // an empty title keeps the one before
  EXPECT_EQ(s.author, "A");
  EXPECT_EQ(s.copyright, "C");
  EXPECT_EQ(s.comment, "K");
  EXPECT_EQ(s.genre, "G");
  EXPECT_EQ(s.album, "L");
  EXPECT_EQ(s.audioLanguage, "");  // languages take the empty value too
  EXPECT_EQ(s.subtitleLanguage, "ger");
  EXPECT_EQ(s.videoStandard, "pal");
  EXPECT_EQ(s.passLogFileName, "stats");
  EXPECT_EQ(s.rcOverrideText, "0,10,2");
}

TEST(HandleOption, IgnoredOptionsOnlyLog) {
  LoggedJob logged;
  for (const char* name : {"L", "h", "version", "formats", "i", "y", "benchmark", "apre", "vpre", "spre"}) {
    HandleOption(logged.job, name, "x");
    EXPECT_TRUE(logged.Logged(std::string("Do nothing: option - ") + name)) << name;
  }
  EXPECT_EQ(logged.lines.size(), 10u);
  EXPECT_EQ(logged.lines[0].level, 1);
  TCustomFFmpeg silent;
  EXPECT_NO_THROW(HandleOption(silent, "i", "input.avi"));
}

TEST(HandleOption, VerbositySetsTheLibraryLevel) {
  const testing::LogLevelGuard restore;
  TCustomFFmpeg job;
  HandleOption(job, "v", "2");
  EXPECT_EQ(job.Verbosity(), 2);
  EXPECT_EQ(av_log_get_level(), AV_LOG_DEBUG);
  EXPECT_EQ(binding::CachedLogLevel(), 2);
  HandleOption(job, "v", "-1");
  EXPECT_EQ(av_log_get_level(), AV_LOG_QUIET);
}

TEST(HandleOption, NewStreamsNeedAnOutputFile) {
  TCustomFFmpeg job;
  for (const char* name : {"newvideo", "newaudio", "newsubtitle"}) {
    try {
      HandleOption(job, name, "");
      ADD_FAILURE() << name;
    } catch (const FFMpegException& error) {
      EXPECT_STREQ(error.what(), "At least one output file must be specified");
    }
  }
}

}  // namespace
}  // namespace quorbel
