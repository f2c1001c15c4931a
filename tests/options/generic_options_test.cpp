#include "options/generic_options.h"

#include <gtest/gtest.h>

#include "options/option_parser.h"
#include "test_job.h"

namespace quorbel {
namespace {

using testing::LoggedJob;

int64_t IntOption(void* object, const char* name) {
  int64_t value = 0;
  EXPECT_GE(av_opt_get_int(object, name, 0, &value), 0) << name;
  return value;
}

AVCodecContext* Template(TCustomFFmpeg& job, AVMediaType type) {
  return job.settings.codecTemplates[type].get();
}

CodecContextPtr EncoderContext(const char* name) {
  return CodecContextPtr(avcodec_alloc_context3(avcodec_find_encoder_by_name(name)));
}

TEST(SetGenericOption, RecordsCodecOptionsAndAppliesThemByMask) {
  TCustomFFmpeg job;
  ParseOptionText(job, "qmax=10\nar=8000");
  EXPECT_EQ(job.settings.recordedOptionNames, std::vector<std::string>{"qmax"});
  EXPECT_EQ(IntOption(Template(job, AVMEDIA_TYPE_VIDEO), "qmax"), 10);

  CodecContextPtr video = EncoderContext("mpeg4");
  ApplyRecordedOptions(job, video.get(), Template(job, AVMEDIA_TYPE_VIDEO), kVideoMask | kEncodingMask);
  EXPECT_EQ(video->qmax, 10);
  // "qmax" is a video option: an audio encoder does not take it.
  CodecContextPtr audio = EncoderContext("mp2");
  const int audioQmax = audio->qmax;
  ApplyRecordedOptions(job, audio.get(), Template(job, AVMEDIA_TYPE_AUDIO), kAudioMask | kEncodingMask);
  EXPECT_EQ(audio->qmax, audioQmax);
}

TEST(SetGenericOption, PrefixesSelectTheAudioVideoOrSubtitleTemplate) {
  TCustomFFmpeg job;
  const int64_t audioDefault = IntOption(Template(job, AVMEDIA_TYPE_AUDIO), "b");
  EXPECT_TRUE(SetGenericOption(job, "vb", "800000"));
  EXPECT_EQ(IntOption(Template(job, AVMEDIA_TYPE_VIDEO), "b"), 800000);
  EXPECT_EQ(IntOption(Template(job, AVMEDIA_TYPE_AUDIO), "b"), audioDefault);
  EXPECT_TRUE(SetGenericOption(job, "ab", "64000"));
  EXPECT_EQ(IntOption(Template(job, AVMEDIA_TYPE_AUDIO), "b"), 64000);
  EXPECT_EQ(IntOption(Template(job, AVMEDIA_TYPE_VIDEO), "b"), 800000);
  EXPECT_TRUE(SetGenericOption(job, "abt", "1000"));
  EXPECT_EQ(IntOption(Template(job, AVMEDIA_TYPE_AUDIO), "bt"), 1000);
  // Recorded under the libraries' own names ("ab" is one of them, for the audio bit rate).
  EXPECT_EQ(job.settings.recordedOptionNames, (std::vector<std::string>{"b", "ab", "bt"}));

  CodecContextPtr audio = EncoderContext("mp2");
  ApplyRecordedOptions(job, audio.get(), Template(job, AVMEDIA_TYPE_AUDIO), kAudioMask | kEncodingMask);
  EXPECT_EQ(audio->bit_rate, 64000);
}

TEST(SetGenericOption, UnprefixedBitRateGoesToEveryTemplateWhoseMaskMatches) {
  TCustomFFmpeg job;
  EXPECT_TRUE(SetGenericOption(job, "b", "300000"));
  EXPECT_EQ(IntOption(Template(job, AVMEDIA_TYPE_VIDEO), "b"), 300000);
  EXPECT_EQ(IntOption(Template(job, AVMEDIA_TYPE_AUDIO), "b"), 300000);
  EXPECT_EQ(IntOption(Template(job, AVMEDIA_TYPE_DATA), "b"), 300000);
  EXPECT_NE(IntOption(Template(job, AVMEDIA_TYPE_SUBTITLE), "b"), 300000);
}

TEST(SetGenericOption, ContainerScalerAndRenamedOptions) {
  TCustomFFmpeg job;
  EXPECT_TRUE(SetGenericOption(job, "packetsize", "2324"));
  EXPECT_EQ(job.settings.formatTemplate->packet_size, 2324u);
  EXPECT_TRUE(SetGenericOption(job, "sws_flags", "bilinear"));
  EXPECT_EQ(IntOption(job.settings.scalerTemplate.get(), "sws_flags"), SWS_BILINEAR);
  EXPECT_TRUE(SetGenericOption(job, "gop", "12"));
  EXPECT_EQ(Template(job, AVMEDIA_TYPE_VIDEO)->gop_size, 12);

  FormatContextPtr output(avformat_alloc_context());
  ApplyRecordedOptions(job, output.get(), job.settings.formatTemplate.get(), kEncodingMask);
  EXPECT_EQ(output->packet_size, 2324u);
}

TEST(SetGenericOption, FlagValuesSurviveTheCopy) {
  TCustomFFmpeg job;
  EXPECT_TRUE(SetGenericOption(job, "flags", "+global_header+psnr"));
  CodecContextPtr video = EncoderContext("mpeg4");
  ApplyRecordedOptions(job, video.get(), Template(job, AVMEDIA_TYPE_VIDEO), kVideoMask | kEncodingMask);
  EXPECT_EQ(video->flags & (AV_CODEC_FLAG_GLOBAL_HEADER | AV_CODEC_FLAG_PSNR),
            AV_CODEC_FLAG_GLOBAL_HEADER | AV_CODEC_FLAG_PSNR);
}

TEST(SetGenericOption, DropsBlankUnknownAndRejectedOptions) {
  LoggedJob logged;
  TCustomFFmpeg& job = logged.job;
  EXPECT_FALSE(SetGenericOption(job, "nosuchoption", "1"));
  EXPECT_FALSE(SetGenericOption(job, "qmax", " "));
  EXPECT_FALSE(SetGenericOption(job, " ", "1"));
  EXPECT_TRUE(logged.lines.empty());
  EXPECT_FALSE(SetGenericOption(job, "qmax", "lots"));
  EXPECT_EQ(logged.lines, (std::vector<testing::LogLine>{{0, "Invalid value 'lots' for option 'qmax'"}}));
  EXPECT_TRUE(job.settings.recordedOptionNames.empty());
  EXPECT_TRUE(job.settings.privateOptions.empty());
}

TEST(SetGenericOption, KeepsPrivateOptionsForTheEncodersAndMuxersThatHaveThem) {
  TCustomFFmpeg job;
  ParseOptionText(job, "preset=slow\ncrf=20\npreset=veryslow\nmovflags=+faststart\nmuxrate=1411200");
  EXPECT_TRUE(job.settings.recordedOptionNames.empty());

  const DictionaryPtr video = PrivateOptionsFor(job, kVideoEncoders);
  ASSERT_TRUE(video);
  EXPECT_EQ(av_dict_count(video.get()), 2);
  EXPECT_STREQ(av_dict_get(video.get(), "preset", nullptr, 0)->value, "veryslow");
  EXPECT_STREQ(av_dict_get(video.get(), "crf", nullptr, 0)->value, "20");
  const DictionaryPtr muxers = PrivateOptionsFor(job, kMuxers);
  EXPECT_EQ(av_dict_count(muxers.get()), 2);
  EXPECT_NE(av_dict_get(muxers.get(), "movflags", nullptr, 0), nullptr);
  EXPECT_FALSE(PrivateOptionsFor(job, kSubtitleEncoders));

  // The libraries take them when the encoder opens.
  const AVCodec* x264 = avcodec_find_encoder_by_name("libx264");
  ASSERT_NE(x264, nullptr);
  CodecContextPtr encoder(avcodec_alloc_context3(x264));
  encoder->width = 64;
  encoder->height = 64;
  encoder->pix_fmt = AV_PIX_FMT_YUV420P;
  encoder->time_base = AVRational{1, 25};
  DictionaryPtr options = CopyOptions(video.get());
  AVDictionary* list = options.release();
  ASSERT_GE(avcodec_open2(encoder.get(), x264, &list), 0);
  options.reset(list);
  EXPECT_EQ(av_dict_count(options.get()), 0);
  uint8_t* preset = nullptr;
  ASSERT_GE(av_opt_get(encoder->priv_data, "preset", 0, &preset), 0);
  EXPECT_STREQ(reinterpret_cast<char*>(preset), "veryslow");
  av_free(preset);
}

TEST(SetGenericOption, DebugOptionsRaiseTheVerbosity) {
  const testing::LogLevelGuard restore;
  for (const char* line : {"debug=pict", "fdebug=ts"}) {
    TCustomFFmpeg job;
    ParseOptionText(job, line);
    EXPECT_EQ(job.Verbosity(), 2) << line;
  }
  TCustomFFmpeg job;
  ParseOptionText(job, "debug=0");
  EXPECT_EQ(job.Verbosity(), 1);
}

TEST(BitRateOptions, WarnAboutKilobitValues) {
  const struct {
    const char* name;
    const char* value;
    bool warns;
  } cases[] = {{"b", "800", true},
               {"vb", "999", true},
               {"ab", "128", true},
               {"ab", "128000", false},
               {"b", "", false}};
  for (const auto& c : cases) {
    LoggedJob logged;
    HandleOption(logged.job, c.name, c.value);
    EXPECT_EQ(logged.Logged(
                  "WARNING: The bitrate parameter is set too low. It takes bits/s as argument, not kbits/s"),
              c.warns)
        << c.name << "=" << c.value;
  }
}

TEST(LogUnusedOptions, NamesEveryLeftOption) {
  LoggedJob logged;
  AVDictionary* left = nullptr;
  av_dict_set(&left, "preset", "slow", 0);
  av_dict_set(&left, "crf", "20", 0);
  const DictionaryPtr owned(left);
  LogUnusedOptions(logged.job, owned.get(), "encoder mpeg4 of output stream #0.0");
  EXPECT_EQ(logged.lines, (std::vector<testing::LogLine>{
                              {0, "Option 'preset' was not used by encoder mpeg4 of output stream #0.0"},
                              {0, "Option 'crf' was not used by encoder mpeg4 of output stream #0.0"}}));
}

}  // namespace
}  // namespace quorbel
