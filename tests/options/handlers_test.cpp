#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "options/codec_lookup.h"
#include "options/handlers.h"
#include "options/option_parser.h"
#include "quorbel/exceptions.h"
#include "test_job.h"

namespace quorbel {
namespace {

using testing::LoggedJob;

// The message of the exception HandleOption throws, or "" when it throws none.
std::string Failure(TCustomFFmpeg& job, const std::string& name, const std::string& value) {
  try {
    HandleOption(job, name, value);
  } catch (const std::exception& error) {
    return error.what();
  }
  return "";
}

const char* const kVertical =
    "Vertical crop dimensions are outside the range of the original image.\nRemember to crop first and scale "
    "second.";
const char* const kHorizontal =
    "Horizontal crop dimensions are outside the range of the original image.\nRemember to crop first and "
    "scale second.";

TEST(CropOption, ShrinksTheFrameAndChecksTheRemainingSize) {
  TCustomFFmpeg job;
  job.settings.frameWidth = 320;
  job.settings.frameHeight = 240;
  EXPECT_EQ(Failure(job, "croptop", "10"), "");
  EXPECT_EQ(job.settings.cropTop, 10);
  EXPECT_EQ(job.settings.frameHeight, 230);
  EXPECT_EQ(Failure(job, "cropbottom", "230"), kVertical);
  EXPECT_EQ(Failure(job, "cropbottom", "228"), "");
  EXPECT_EQ(job.settings.frameHeight, 2);
  EXPECT_EQ(Failure(job, "cropleft", "320"), kHorizontal);
  EXPECT_EQ(Failure(job, "cropright", "318"), "");
  EXPECT_EQ(job.settings.frameWidth, 2);
}

TEST(CropAndPadOptions, RejectOddAndIgnoreNegativeSizes) {
  const struct {
    const char* name;
    const char* message;
  } cases[] = {
      {"croptop", "Top crop size must be a multiple of 2"},
      {"cropbottom", "Bottom crop size must be a multiple of 2"},
      {"cropleft", "Left crop size must be a multiple of 2"},
      {"cropright", "Right crop size must be a multiple of 2"},
      {"padtop", "Top pad size must be a multiple of 2"},
      {"padbottom", "Bottom pad size must be a multiple of 2"},
      {"padleft", "Left pad size must be a multiple of 2"},
      {"padright", "Right pad size must be a multiple of 2"},
  };
  for (const auto& c : cases) {
    TCustomFFmpeg job;
    job.settings.frameWidth = 320;
    job.settings.frameHeight = 240;
    EXPECT_EQ(Failure(job, c.name, "5"), c.message);
    EXPECT_EQ(Failure(job, c.name, "-2"), "") << c.name;
    EXPECT_EQ(job.settings.frameWidth, 320);
    EXPECT_EQ(job.settings.frameHeight, 240);
  }
}

TEST(PadOption, SetsTheBandWithoutChangingTheFrame) {
  TCustomFFmpeg job;
  job.settings.frameWidth = 320;
  ParseOptionText(job, "padtop=8\npadbottom=10\npadleft=12\npadright=14");
  EXPECT_EQ(job.settings.padTop, 8);
  EXPECT_EQ(job.settings.padBottom, 10);
  EXPECT_EQ(job.settings.padLeft, 12);
  EXPECT_EQ(job.settings.padRight, 14);
  EXPECT_EQ(job.settings.frameWidth, 320);
}

TEST(PadColorOption, ConvertsRgbToYCbCr) {
  const struct {
    const char* rgb;
    std::array<int32_t, 3> ycbcr;
  } cases[] = {
      {"16777215", {255, 128, 128}},  // white
      {"255", {76, 85, 255}},         // red
      {"65280", {150, 43, 21}},       // green
      {"16711680", {29, 255, 107}},   // blue
      {"0", {0, 128, 128}},           // black
      {"$FF", {76, 85, 255}},
  };
  for (const auto& c : cases) {
    TCustomFFmpeg job;
    HandleOption(job, "padcolor", c.rgb);
    EXPECT_EQ(job.settings.padColor, c.ycbcr) << c.rgb;
  }
  EXPECT_EQ(TCustomFFmpeg().settings.padColor, (std::array<int32_t, 3>{16, 128, 128}));
}

TEST(AspectOption, ReadsRatiosAndNumbers) {
  const struct {
    const char* value;
    float ratio;
  } accepted[] = {
      {"16:9", 16.0f / 9.0f}, {"4:3", 4.0f / 3.0f}, {"1.5", 1.5f}, {"-4:3", -4.0f / 3.0f}, {"2", 2.0f}};
  for (const auto& c : accepted) {
    TCustomFFmpeg job;
    EXPECT_EQ(Failure(job, "aspect", c.value), "");
    EXPECT_FLOAT_EQ(job.settings.frameAspectRatio, c.ratio) << c.value;
  }
  for (const char* value : {"4:0", "abc", "0", ":5", "4:-3", "x:3", ""}) {
    TCustomFFmpeg job;
    EXPECT_EQ(Failure(job, "aspect", value), "Incorrect aspect ratio specification.") << value;
    EXPECT_EQ(job.settings.frameAspectRatio, 0.0f);
  }
}

TEST(QScaleOption, AcceptsOnlyZeroToTwoHundredFiftyFive) {
  TCustomFFmpeg job;
  for (const char* value : {"0", "256", "-1", "255.5"}) {
    EXPECT_EQ(Failure(job, "qscale", value), "qscale must be > 0.0 and <= 255") << value;
  }
  EXPECT_EQ(Failure(job, "qscale", "255"), "");
  EXPECT_EQ(job.settings.videoQScale, 255.0f);
  EXPECT_EQ(Failure(job, "qscale", "0.5"), "");
  EXPECT_EQ(job.settings.videoQScale, 0.5f);
  EXPECT_EQ(Failure(job, "qscale", "q"), "'q' is not a valid floating point value");
}

TEST(FrameOptions, ParseSizesRatesAndPixelFormats) {
  TCustomFFmpeg job;
  EXPECT_EQ(Failure(job, "s", "352x288"), "");
  EXPECT_EQ(job.settings.frameWidth, 352);
  EXPECT_EQ(job.settings.frameHeight, 288);
  EXPECT_EQ(Failure(job, "s", "vga"), "");
  EXPECT_EQ(job.settings.frameWidth, 640);
  EXPECT_EQ(Failure(job, "s", "big"), "Incorrect frame size");
  // The odd size is rejected but stays written.
  EXPECT_EQ(Failure(job, "s", "351x288"), "Frame size must be a multiple of 2");
  EXPECT_EQ(job.settings.frameWidth, 351);
  EXPECT_EQ(Failure(job, "s", ""), "");
  EXPECT_EQ(job.settings.frameWidth, 351);

  EXPECT_EQ(Failure(job, "r", "30000/1001"), "");
  EXPECT_EQ(job.settings.frameRate.num, 30000);
  EXPECT_EQ(job.settings.frameRate.den, 1001);
  EXPECT_EQ(Failure(job, "r", "pal"), "");
  EXPECT_EQ(av_q2d(job.settings.frameRate), 25.0);
  EXPECT_EQ(Failure(job, "r", "fast"), "Incorrect frame rate");

  EXPECT_EQ(Failure(job, "pix_fmt", "yuv422p"), "");
  EXPECT_EQ(job.settings.framePixelFormat, AV_PIX_FMT_YUV422P);
  EXPECT_EQ(Failure(job, "pix_fmt", "nosuchformat"), "");
  EXPECT_EQ(job.settings.framePixelFormat, AV_PIX_FMT_NONE);
}

TEST(PixelFormatOption, ListLogsFortyOneTrimmedLines) {
  LoggedJob logged;
  HandleOption(logged.job, "pix_fmt", "list");
  ASSERT_EQ(logged.lines.size(), 41u);
  EXPECT_EQ(logged.lines[0].text, "name nb_components nb_bits");
  EXPECT_EQ(logged.lines[1].text.rfind("yuv420p", 0), 0u);
  EXPECT_EQ(logged.lines[1].text.back(), '2');  // trimmed: ends in the bit count
  EXPECT_EQ(logged.job.settings.framePixelFormat, -1);
}

TEST(MapOptions, ReadNumbersWithOneSeparatorEach) {
  const struct {
    const char* value;
    TStreamMap map;
  } cases[] = {
      {"0:1", {0, 1, 0, 1}},      {"0.1:1.0", {0, 1, 1, 0}}, {"010:1", {8, 1, 8, 1}},
      {"0x10:2", {16, 2, 16, 2}}, {"1", {1, 0, 1, 0}},       {"2:3:4:5", {2, 3, 4, 5}},
  };
  for (const auto& c : cases) {
    TCustomFFmpeg job;
    HandleOption(job, "map", c.value);
    ASSERT_EQ(job.settings.streamMaps.size(), 1u);
    EXPECT_EQ(job.settings.streamMaps[0], c.map) << c.value;
  }
  TCustomFFmpeg job;
  HandleOption(job, "map_meta_data", "1:0");
  EXPECT_EQ(job.settings.metaDataMaps, (std::vector<TMetaDataMap>{{1, 0}}));
}

TEST(MapOptions, HoldTwentyEntries) {
  TCustomFFmpeg job;
  for (int i = 0; i < 20; ++i) {
    HandleOption(job, "map", "0:" + std::to_string(i));
    HandleOption(job, "map_meta_data", "0:0");
  }
  EXPECT_EQ(Failure(job, "map", "0:20"), "Too many stream maps (at most 20)");
  EXPECT_EQ(Failure(job, "map_meta_data", "0:0"), "Too many metadata maps (at most 20)");
  EXPECT_EQ(job.settings.streamMaps.size(), 20u);
  EXPECT_EQ(job.settings.metaDataMaps.size(), 20u);
}

TEST(TimestampScaleOption, StoresTheScaleForTheNextInput) {
  TCustomFFmpeg job;
  HandleOption(job, "itsscale", "1:0.5");
  HandleOption(job, "itsscale", "19,2");
  EXPECT_EQ(job.settings.timestampScales[0][1], 0.5);
  EXPECT_EQ(job.settings.timestampScales[0][19], 2.0);
  testing::AddFakeInput(job, {});
  HandleOption(job, "itsscale", "0:3");
  EXPECT_EQ(job.settings.timestampScales[1][0], 3.0);
  EXPECT_EQ(Failure(job, "itsscale", "20:2"), "stream index over MAX_STREAMS(20)");
  EXPECT_EQ(Failure(job, "itsscale", "-1:2"), "stream index over MAX_STREAMS(20)");
}

TEST(TimeOptions, ParseDurationsAndDates) {
  TCustomFFmpeg job;
  HandleOption(job, "t", "01:00:00");
  EXPECT_EQ(job.settings.recordingTimeUs, 3600000000);
  EXPECT_EQ(job.TotalOutputDuration, 3600000);
  HandleOption(job, "t", "0.0004");  // under a millisecond: no limit set
  EXPECT_EQ(job.settings.recordingTimeUs, 3600000000);
  HandleOption(job, "ss", "1.5");
  EXPECT_EQ(job.settings.startTimeUs, 1500000);
  HandleOption(job, "itsoffset", "-2");
  EXPECT_EQ(job.settings.inputTsOffsetUs, -2000000);
  HandleOption(job, "timestamp", "1970-01-02 00:00:00Z");
  EXPECT_EQ(job.settings.recordTimestamp, 86400);
  HandleOption(job, "timestamp", "1970-01-01 00:00:02.5Z");  // halves round to even
  EXPECT_EQ(job.settings.recordTimestamp, 2);
  HandleOption(job, "timestamp", "1970-01-01 00:00:03.5Z");
  EXPECT_EQ(job.settings.recordTimestamp, 4);

  EXPECT_EQ(Failure(job, "t", "abc"), "Invalid duration specification for t: abc");
  EXPECT_EQ(Failure(job, "ss", "1:xx"), "Invalid duration specification for ss: 1:xx");
  EXPECT_EQ(Failure(job, "timestamp", "never"), "Invalid date specification for timestamp: never");
}

TEST(TimeOptions, LocalDateTimesFollowTheTimeZoneRules) {
  const char* previous = std::getenv("TZ");
  const std::string saved = previous != nullptr ? previous : "";
  setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
  tzset();
  TCustomFFmpeg job;
  SetRecordTimestampFromDateTime(job, 44197.5);  // 2021-01-01 12:00 local, UTC+1
  EXPECT_EQ(job.settings.recordTimestamp, 1609498800);
  SetRecordTimestampFromDateTime(job, 44378.5);  // 2021-07-01 12:00 local, UTC+2 in summer
  EXPECT_EQ(job.settings.recordTimestamp, 1625133600);
  const int64_t before = std::time(nullptr);
  SetRecordTimestampFromDateTime(job, 0.0);
  EXPECT_GE(job.settings.recordTimestamp, before);
  if (previous != nullptr) {
    setenv("TZ", saved.c_str(), 1);
  } else {
    unsetenv("TZ");
  }
  tzset();
}

TEST(PassOption, TakesOneOrTwo) {
  TCustomFFmpeg job;
  EXPECT_EQ(Failure(job, "pass", "3"), "pass number can be only 1 or 2");
  EXPECT_EQ(Failure(job, "pass", "0"), "pass number can be only 1 or 2");
  EXPECT_EQ(Failure(job, "pass", "2"), "");
  EXPECT_EQ(job.settings.pass, 2);
}

TEST(TagOptions, TakeExactlyFourCharacters) {
  TCustomFFmpeg job;
  HandleOption(job, "vtag", "xvid");
  EXPECT_EQ(job.settings.videoCodecTag, MKTAG('x', 'v', 'i', 'd'));
  HandleOption(job, "atag", "mp4a");
  EXPECT_EQ(job.settings.audioCodecTag, MKTAG('m', 'p', '4', 'a'));
  HandleOption(job, "vtag", "");
  EXPECT_EQ(job.settings.videoCodecTag, MKTAG('x', 'v', 'i', 'd'));
  EXPECT_THROW(HandleOption(job, "vtag", "divx5"), AssertionFailure);
  EXPECT_EQ(Failure(job, "vtag", "div"), "video tag parameter must be 4 chars");
  EXPECT_EQ(Failure(job, "atag", "mp4a "), "audio tag parameter must be 4 chars");
}

TEST(MatrixOptions, ReadSixtyFourCoefficients) {
  std::string coefficients;
  for (int i = 1; i <= 64; ++i) {
    if (i > 1) coefficients += ',';
    coefficients += std::to_string(i == 2 ? 70000 : i);
  }
  TCustomFFmpeg job;
  HandleOption(job, "intra_matrix", coefficients + ",99,garbage");
  ASSERT_TRUE(job.settings.intraMatrix);
  EXPECT_EQ(job.settings.intraMatrix.get()[0], 1);
  EXPECT_EQ(job.settings.intraMatrix.get()[1], 70000 - 65536);  // 16 bits
  EXPECT_EQ(job.settings.intraMatrix.get()[63], 64);
  EXPECT_FALSE(job.settings.interMatrix);

  const std::string sixtyThree = coefficients.substr(0, coefficients.rfind(','));
  EXPECT_EQ(Failure(job, "inter_matrix", sixtyThree),
            "Syntax error in matrix \"" + sixtyThree + "\" at coeff 62");
  EXPECT_EQ(Failure(job, "inter_matrix", "8"), "Syntax error in matrix \"8\" at coeff 0");
}

TEST(CodecOptions, CopyIsAFlagThatLaterNamesKeep) {
  TCustomFFmpeg job;
  HandleOption(job, "vcodec", "mpeg4");
  HandleOption(job, "vcodec", "copy");
  EXPECT_TRUE(job.settings.videoStreamCopy);
  EXPECT_EQ(job.settings.videoCodecName, "");
  HandleOption(job, "vcodec", "mpeg2video");
  EXPECT_TRUE(job.settings.videoStreamCopy);
  EXPECT_EQ(job.settings.videoCodecName, "mpeg2video");
  HandleOption(job, "acodec", "copy");
  HandleOption(job, "scodec", "dvdsub");
  EXPECT_TRUE(job.settings.audioStreamCopy);
  EXPECT_FALSE(job.settings.subtitleStreamCopy);
  EXPECT_EQ(job.settings.subtitleCodecName, "dvdsub");
}

TEST(CodecLookup, ResolvesNamesOfTheKindAsked) {
  TCustomFFmpeg job;
  CodecChoice choice;
  EXPECT_TRUE(LookupCodec(job, "", AVMEDIA_TYPE_VIDEO, true, choice));
  EXPECT_EQ(choice.id, AV_CODEC_ID_NONE);
  EXPECT_TRUE(LookupCodec(job, "mpeg4", AVMEDIA_TYPE_VIDEO, true, choice));
  EXPECT_EQ(choice.id, AV_CODEC_ID_MPEG4);
  EXPECT_TRUE(LookupCodec(job, "libfaac", AVMEDIA_TYPE_AUDIO, true, choice));
  EXPECT_EQ(choice.id, AV_CODEC_ID_AAC);
  EXPECT_TRUE(LookupCodec(job, "libamr_nb", AVMEDIA_TYPE_AUDIO, true, choice));
  EXPECT_EQ(choice.id, AV_CODEC_ID_AMR_NB);
  EXPECT_STREQ(choice.codec->name, "libopencore_amrnb");

  EXPECT_FALSE(LookupCodec(job, "nosuchcodec", AVMEDIA_TYPE_VIDEO, true, choice));
  EXPECT_EQ(job.LastErrorText, "Unknown encoder 'nosuchcodec'");
  EXPECT_FALSE(LookupCodec(job, "mp2", AVMEDIA_TYPE_VIDEO, true, choice));
  EXPECT_EQ(job.LastErrorText, "Invalid encoder type 'mp2'");
  EXPECT_FALSE(LookupCodec(job, "libmp3lame", AVMEDIA_TYPE_AUDIO, false, choice));
  EXPECT_EQ(job.LastErrorText, "Unknown decoder 'libmp3lame'");
}

TEST(FormatOptions, FindInputAndOutputFormats) {
  LoggedJob logged;
  TCustomFFmpeg& job = logged.job;
  HandleOption(job, "f", "avi");
  ASSERT_NE(job.settings.forcedInputFormat, nullptr);
  ASSERT_NE(job.settings.forcedOutputFormat, nullptr);
  EXPECT_STREQ(job.settings.forcedOutputFormat->name, "avi");
  HandleOption(job, "f", "ipod");  // an output format only
  EXPECT_EQ(job.settings.forcedInputFormat, nullptr);
  EXPECT_STREQ(job.settings.forcedOutputFormat->name, "ipod");
  EXPECT_EQ(Failure(job, "f", "nosuchformat"), "Unknown input or output format: nosuchformat");

  HandleOption(job, "f", "pgmyuv");
  EXPECT_STREQ(job.settings.forcedOutputFormat->name, "image2");
  EXPECT_TRUE(job.settings.imageSequenceCompat);
  EXPECT_TRUE(logged.Logged("pgmyuv format is deprecated, use image2"));

  const auto message = [&job](void (*set)(TCustomFFmpeg&, const std::string&), const char* name) {
    try {
      set(job, name);
    } catch (const FFMpegException& error) {
      return std::string(error.what());
    }
    return std::string();
  };
  EXPECT_EQ(message(SetInputFormat, "ipod"), "Unknown input format: ipod");
  EXPECT_EQ(message(SetOutputFormat, "ipod"), "");
  EXPECT_EQ(message(SetOutputFormat, "nosuch"), "Unknown output format: nosuch");
  EXPECT_EQ(message(SetInputFormat, ""), "");
}

TEST(StatisticsOptions, NameTheFile) {
  TCustomFFmpeg job;
  HandleOption(job, "vstats_file", "frames.log");
  EXPECT_EQ(job.settings.vstatsFileName, "frames.log");
  HandleOption(job, "vstats", "");
  const std::string& name = job.settings.vstatsFileName;
  const size_t at = name.rfind("/vstats_");
  ASSERT_NE(at, std::string::npos) << name;
  const std::string clock = name.substr(at + 8);
  ASSERT_EQ(clock.size(), 10u) << name;
  EXPECT_EQ(clock.substr(6), ".log");
  EXPECT_EQ(clock.find_first_not_of("0123456789"), 6u);
}

}  // namespace
}  // namespace quorbel
