#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "binding/error_text.h"
#include "options/option_parser.h"
#include "options/record_options.h"
#include "quorbel/exceptions.h"
#include "setup/file_setup.h"
#include "setup/stream_setup.h"
#include "setup_test_util.h"
#include "test_job.h"

namespace quorbel {
namespace {

using testing::Sample;

class CreateOutputTest : public testing::ScratchFolderTest {
 protected:
  // A job with an input opened and the option text applied.
  void Open(TCustomFFmpeg& job, const std::string& input, const std::string& options = "") {
    ASSERT_TRUE(OpenInput(job, Sample(input))) << job.LastErrorText;
    ParseOptionText(job, options);
  }
  const char* Metadata(const AVDictionary* metadata, const char* key) {
    const AVDictionaryEntry* entry = av_dict_get(metadata, key, nullptr, 0);
    return entry != nullptr ? entry->value : "";
  }
};

TEST_F(CreateOutputTest, CreatesTheFileWithAnEncoderStreamPerKind) {
  TCustomFFmpeg job;
  Open(job, "mpeg4_mp3.avi", "vcodec=mpeg4\nacodec=mp2\nqmax=10\nab=128000");
  const std::string name = Path("out.avi");
  ASSERT_TRUE(CreateOutput(job, name)) << job.LastErrorText;
  EXPECT_TRUE(std::filesystem::exists(name));
  ASSERT_EQ(job.outputFiles.size(), 1u);
  const OutputFile& file = job.outputFiles[0];
  ASSERT_EQ(file.streams.size(), 2u);
  ASSERT_EQ(file.context->nb_streams, 2u);

  const OutputStream& video = file.streams[0];
  EXPECT_EQ(video.stream, file.context->streams[0]);
  EXPECT_FALSE(video.streamCopy);
  const AVCodecContext* v = video.encoder.get();
  EXPECT_EQ(v->codec_type, AVMEDIA_TYPE_VIDEO);
  EXPECT_EQ(v->codec_id, AV_CODEC_ID_MPEG4);
  EXPECT_STREQ(v->codec->name, "mpeg4");
  EXPECT_EQ(v->width, 960);
  EXPECT_EQ(v->height, 400);
  EXPECT_EQ(v->pix_fmt, AV_PIX_FMT_YUV420P);
  EXPECT_EQ(av_cmp_q(v->time_base, AVRational{1001, 24000}), 0);
  EXPECT_EQ(av_cmp_q(v->sample_aspect_ratio, AVRational{1, 1}), 0);
  EXPECT_EQ(v->qmax, 10);                                // recorded generic option
  EXPECT_EQ(v->flags & AV_CODEC_FLAG_GLOBAL_HEADER, 0);  // AVI wants none
  EXPECT_FALSE(avcodec_is_open(video.encoder.get()));

  const AVCodecContext* a = file.streams[1].encoder.get();
  EXPECT_EQ(a->codec_id, AV_CODEC_ID_MP2);
  EXPECT_EQ(a->bit_rate, 128000);
  EXPECT_EQ(a->sample_rate, 48000);
  EXPECT_EQ(a->ch_layout.nb_channels, 2);
  EXPECT_EQ(a->sample_fmt, AV_SAMPLE_FMT_S16);
  EXPECT_EQ(av_cmp_q(a->time_base, AVRational{1, 48000}), 0);
  EXPECT_EQ(file.context->max_delay, 700000);

  // The stream settings were used up; the others stay for the next output.
  EXPECT_EQ(job.settings.videoCodecName, "");
  EXPECT_EQ(job.settings.audioCodecName, "");
  EXPECT_EQ(job.settings.recordedOptionNames.size(), 2u);
}

TEST_F(CreateOutputTest, TheFormatAndTheInputsDecideTheKinds) {
  const struct {
    const char* input;
    const char* output;
    const char* options;
    std::vector<AVMediaType> kinds;
  } cases[] = {
      {"mpeg4_mp3.avi", "out.wav", "", {AVMEDIA_TYPE_AUDIO}},  // no default video codec
      {"mpeg4_mp3.avi", "out.mkv", "", {AVMEDIA_TYPE_VIDEO, AVMEDIA_TYPE_AUDIO}},
      {"pcm_s16be.au", "out.mp4", "", {AVMEDIA_TYPE_AUDIO}},  // the input has no video
      {"mpeg4_mp3.avi", "out.mkv", "vn", {AVMEDIA_TYPE_AUDIO}},
      {"mpeg4_mp3.avi", "out.mkv", "an", {AVMEDIA_TYPE_VIDEO}},
      {"h264_dvbsub_eac3.ts",
       "out.mkv",
       "vcodec=copy\nacodec=copy\nscodec=copy",
       {AVMEDIA_TYPE_VIDEO, AVMEDIA_TYPE_AUDIO, AVMEDIA_TYPE_SUBTITLE}},
      {"h264_dvbsub_eac3.ts",
       "out.mkv",
       "vcodec=copy\nacodec=copy\nscodec=copy\nsn",
       {AVMEDIA_TYPE_VIDEO, AVMEDIA_TYPE_AUDIO}},
      // Matroska's own subtitle codec is text: picture subtitles cannot become it.
      {"h264_dvbsub_eac3.ts",
       "out.mkv",
       "vcodec=copy\nacodec=copy",
       {AVMEDIA_TYPE_VIDEO, AVMEDIA_TYPE_AUDIO}},
      {"h264_dvbsub_eac3.ts", "out.mkv", "vn\nan\nscodec=dvdsub", {AVMEDIA_TYPE_SUBTITLE}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.input) + " -> " + c.output + " " + c.options);
    TCustomFFmpeg job;
    Open(job, c.input, c.options);
    ASSERT_TRUE(CreateOutput(job, Path(c.output))) << job.LastErrorText;
    std::vector<AVMediaType> kinds;
    for (const OutputStream& stream : job.outputFiles[0].streams) kinds.push_back(stream.encoder->codec_type);
    EXPECT_EQ(kinds, c.kinds);
  }
}

TEST_F(CreateOutputTest, ACopiedVideoStreamTakesNoPictureSettings) {
  TCustomFFmpeg job;
  Open(job, "mpeg4_mp3.avi", "vcodec=copy\ns=320x240\nvtag=XVID");
  ASSERT_TRUE(CreateOutput(job, Path("out.avi"))) << job.LastErrorText;
  const OutputStream& video = job.outputFiles[0].streams[0];
  EXPECT_TRUE(video.streamCopy);
  EXPECT_EQ(video.encoder->width, 0);
  EXPECT_EQ(video.encoder->codec_tag, MKTAG('X', 'V', 'I', 'D'));
  EXPECT_FALSE(video.encoderOptions);
  EXPECT_FALSE(job.outputFiles[0].streams[1].streamCopy);
}

TEST_F(CreateOutputTest, FailuresLeaveTheReasonAndNoOutput) {
  const struct {
    const char* options;
    std::string output;
    std::string message;
  } cases[] = {
      {"", "out.nosuchextension", "Unable to find a suitable output format for '%s'"},
      {"", "/nonexistent/folder/out.avi", "Could not open '%s'"},
      {"vcodec=nosuch", "out.avi", "new_video_stream fail: Unknown encoder 'nosuch'"},
      {"vcodec=mp2", "out.avi", "new_video_stream fail: Invalid encoder type 'mp2'"},
      {"acodec=mpeg4", "out.avi", "new_audio_stream fail: Invalid encoder type 'mpeg4'"},
      {"rc_override=10,x", "out.avi", "new_video_stream fail: error parsing rc_override"},
      {"f=image2", "still.jpg", LibraryErrorText("%s", AVERROR(EDOM))},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.options);
    TCustomFFmpeg job;
    Open(job, "mpeg4_mp3.avi", c.options);
    const std::string output = c.output[0] == '/' ? c.output : Path(c.output);
    EXPECT_FALSE(CreateOutput(job, output));
    std::string message = c.message;
    if (const size_t at = message.find("%s"); at != std::string::npos) message.replace(at, 2, output);
    EXPECT_EQ(job.LastErrorText, message);
    EXPECT_TRUE(job.outputFiles.empty());
    EXPECT_FALSE(std::filesystem::exists(output));
    EXPECT_EQ(job.settings.forcedOutputFormat, nullptr);
  }
}

TEST_F(CreateOutputTest, ImageSequencesNeedANumberPattern) {
  TCustomFFmpeg job;
  Open(job, "mpeg4_mp3.avi");
  EXPECT_TRUE(CreateOutput(job, Path("frame%03d.jpg"))) << job.LastErrorText;
  EXPECT_EQ(job.outputFiles[0].context->oformat->name, std::string("image2"));
}

TEST_F(CreateOutputTest, VideoEncoderSettings) {
  std::string matrix;
  for (int i = 0; i < 64; ++i) matrix += std::to_string(i + 1) + ",";
  TCustomFFmpeg job;
  Open(job, "mpeg4_mp3.avi",
       "vcodec=mpeg1video\nr=23\npix_fmt=yuv422p\ns=352x288\npadtop=16\npadleft=8\naspect=4:3\nqscale="
       "3\nintra\n"
       "psnr\npass=2\ndc=9\nbufsize=300000\nrc_override=0,10,4/20,30,-50\nintra_matrix=" +
           matrix);
  ASSERT_TRUE(CreateOutput(job, Path("out.mpg"))) << job.LastErrorText;
  const OutputStream& video = job.outputFiles[0].streams[0];
  const AVCodecContext* v = video.encoder.get();
  EXPECT_EQ(av_cmp_q(v->time_base, AVRational{1001, 24000}), 0);  // nearest supported rate to 23
  EXPECT_EQ(v->pix_fmt, AV_PIX_FMT_YUV420P);                      // the encoder's first format
  EXPECT_EQ(v->width, 360);
  EXPECT_EQ(v->height, 304);
  // 304 x 4/3 / 360 = 1.1259..., in terms up to 255.
  EXPECT_EQ(av_cmp_q(v->sample_aspect_ratio, AVRational{152, 135}), 0);
  EXPECT_EQ(v->gop_size, 0);
  EXPECT_TRUE(v->flags & AV_CODEC_FLAG_QSCALE);
  EXPECT_EQ(v->global_quality, 354);
  EXPECT_FLOAT_EQ(video.quality, 354.0f);
  EXPECT_TRUE(v->flags & AV_CODEC_FLAG_PSNR);
  EXPECT_TRUE(v->flags & AV_CODEC_FLAG_PASS2);
  EXPECT_FALSE(v->flags & AV_CODEC_FLAG_PASS1);
  EXPECT_EQ(v->intra_dc_precision, 1);
  EXPECT_EQ(v->rc_initial_buffer_occupancy, 225000);
  ASSERT_NE(v->intra_matrix, nullptr);
  EXPECT_EQ(v->intra_matrix[63], 64);
  EXPECT_EQ(v->inter_matrix, nullptr);
  ASSERT_EQ(v->rc_override_count, 2);
  EXPECT_EQ(v->rc_override[0].start_frame, 0);
  EXPECT_EQ(v->rc_override[0].end_frame, 10);
  EXPECT_EQ(v->rc_override[0].qscale, 4);
  EXPECT_FLOAT_EQ(v->rc_override[0].quality_factor, 1.0f);
  EXPECT_EQ(v->rc_override[1].start_frame, 20);
  EXPECT_EQ(v->rc_override[1].qscale, 0);
  EXPECT_FLOAT_EQ(v->rc_override[1].quality_factor, 0.5f);
}

TEST_F(CreateOutputTest, RateControlOverrides) {
  const struct {
    const char* text;
    size_t count;
    bool fails;
  } cases[] = {
      {"0,10,2", 1, false}, {"0,10,2/5,6,7/8,9,-10", 3, false},
      {"0,10,", 1, false},  {"0;10;x", 1, false},
      {"0,10", 0, true},    {"0,10,2/", 0, true},
      {"a,1,2", 0, true},   {"0", 0, true},
      {"0,", 0, true},      {"0,10,2/x", 0, true},
  };
  for (const auto& c : cases) {
    if (c.fails) {
      EXPECT_THROW(ParseRcOverride(c.text), FFMpegException) << c.text;
    } else {
      EXPECT_EQ(ParseRcOverride(c.text).size(), c.count) << c.text;
    }
  }
}

TEST_F(CreateOutputTest, HeadersLanguagesAndMetadata) {
  TCustomFFmpeg job;
  Open(job, "mpeg4_mp3.avi",
       "alang=english\ntitle=A title\nauthor=Someone\ncomment=Note\ngenre=Jazz\nalbum=Album\n"
       "copyright=Me\ntimestamp=2008-05-01 12:00:00Z");
  job.settings.year = 2008;
  job.settings.track = 3;
  ASSERT_TRUE(CreateOutput(job, Path("out.mp4"))) << job.LastErrorText;
  const OutputFile& file = job.outputFiles[0];
  // MP4 asks for global headers.
  EXPECT_TRUE(file.streams[0].encoder->flags & AV_CODEC_FLAG_GLOBAL_HEADER);
  EXPECT_TRUE(file.streams[1].encoder->flags & AV_CODEC_FLAG_GLOBAL_HEADER);
  EXPECT_STREQ(Metadata(file.streams[1].stream->metadata, "language"), "eng");
  EXPECT_EQ(job.settings.audioLanguage, "");
  const AVDictionary* metadata = file.context->metadata;
  EXPECT_STREQ(Metadata(metadata, "title"), "A title");
  EXPECT_STREQ(Metadata(metadata, "artist"), "Someone");
  EXPECT_STREQ(Metadata(metadata, "comment"), "Note");
  EXPECT_STREQ(Metadata(metadata, "genre"), "Jazz");
  EXPECT_STREQ(Metadata(metadata, "album"), "Album");
  EXPECT_STREQ(Metadata(metadata, "copyright"), "Me");
  EXPECT_STREQ(Metadata(metadata, "date"), "2008");
  EXPECT_STREQ(Metadata(metadata, "track"), "3");
  EXPECT_STREQ(Metadata(metadata, "creation_time"), "2008-05-01T12:00:00.000000Z");

  TCustomFFmpeg local;
  Open(local, "mpeg4_mp3.avi", "vglobal=2");
  ASSERT_TRUE(CreateOutput(local, Path("local.mp4"))) << local.LastErrorText;
  const AVCodecContext* v = local.outputFiles[0].streams[0].encoder.get();
  EXPECT_FALSE(v->flags & AV_CODEC_FLAG_GLOBAL_HEADER);
  EXPECT_TRUE(v->flags2 & AV_CODEC_FLAG2_LOCAL_HEADER);
}

TEST_F(CreateOutputTest, PrivateOptionsWaitForTheOpenCalls) {
  TCustomFFmpeg job;
  Open(job, "mpeg4_mp3.avi", "vcodec=libx264\npreset=slow\nmovflags=+faststart\nloop_output=0");
  ASSERT_TRUE(CreateOutput(job, Path("out.mp4"))) << job.LastErrorText;
  const OutputFile& file = job.outputFiles[0];
  EXPECT_STREQ(Metadata(file.streams[0].encoderOptions.get(), "preset"), "slow");
  EXPECT_FALSE(file.streams[1].encoderOptions);
  EXPECT_STREQ(Metadata(file.muxerOptions.get(), "movflags"), "+faststart");
  EXPECT_EQ(av_dict_count(file.muxerOptions.get()), 1);  // mp4 has no preload or loop

  TCustomFFmpeg vcd;
  Open(vcd, "mpeg4_mp3.avi", "target=vcd");
  ASSERT_TRUE(CreateOutput(vcd, Path("out.mpg"))) << vcd.LastErrorText;
  const OutputFile& mpeg = vcd.outputFiles[0];
  EXPECT_STREQ(mpeg.context->oformat->name, "vcd");
  EXPECT_STREQ(Metadata(mpeg.muxerOptions.get(), "muxrate"), "1411200");
  EXPECT_STREQ(Metadata(mpeg.muxerOptions.get(), "preload"), "440000");
  EXPECT_EQ(mpeg.context->packet_size, 2324u);
  EXPECT_STREQ(mpeg.streams[0].encoder->codec->name, "mpeg1video");
  EXPECT_EQ(mpeg.streams[0].encoder->width, 352);
  EXPECT_EQ(mpeg.streams[1].encoder->sample_rate, 44100);
}

TEST_F(CreateOutputTest, SubtitleStreamsTakeTheRecordedSubtitleOptions) {
  TCustomFFmpeg job;
  Open(job, "h264_dvbsub_eac3.ts", "vn\nan\nscodec=dvdsub\nslang=ger\nflags=+bitexact");
  ASSERT_TRUE(CreateOutput(job, Path("out.mkv"))) << job.LastErrorText;
  const OutputStream& subtitle = job.outputFiles[0].streams.at(0);
  EXPECT_EQ(subtitle.encoder->codec_id, AV_CODEC_ID_DVD_SUBTITLE);
  EXPECT_STREQ(Metadata(subtitle.stream->metadata, "language"), "ger");
  EXPECT_TRUE(subtitle.encoder->flags & AV_CODEC_FLAG_BITEXACT);
  EXPECT_EQ(job.settings.subtitleLanguage, "");
}

TEST_F(CreateOutputTest, TextSubtitlesGetTheFormatsSubtitleCodec) {
  const std::string subtitles = Path("captions.srt");
  std::ofstream(subtitles)
      << "1\n00:00:00,000 --> 00:00:01,000\nHello\n\n2\n00:00:01,500 --> 00:00:02,000\nBye\n";
  TCustomFFmpeg job;
  ASSERT_TRUE(OpenInput(job, subtitles)) << job.LastErrorText;
  ASSERT_TRUE(CreateOutput(job, Path("out.mkv"))) << job.LastErrorText;
  ASSERT_EQ(job.outputFiles[0].streams.size(), 1u);
  const AVCodecContext* encoder = job.outputFiles[0].streams[0].encoder.get();
  EXPECT_EQ(encoder->codec_type, AVMEDIA_TYPE_SUBTITLE);
  EXPECT_EQ(encoder->codec_id, AV_CODEC_ID_ASS);
  ASSERT_NE(encoder->codec, nullptr);
}

TEST_F(CreateOutputTest, NewStreamsGoToTheLastOutput) {
  TCustomFFmpeg job;
  Open(job, "mpeg4_mp3.avi");
  ASSERT_TRUE(CreateOutput(job, Path("first.mkv"))) << job.LastErrorText;
  ParseOptionText(job, "acodec=mp2\nalang=fre");
  ASSERT_TRUE(CreateOutput(job, Path("second.mkv"))) << job.LastErrorText;
  ParseOptionText(job, "acodec=ac3\nalang=ger\nnewaudio");
  EXPECT_EQ(job.outputFiles[0].streams.size(), 2u);
  ASSERT_EQ(job.outputFiles[1].streams.size(), 3u);
  EXPECT_EQ(job.outputFiles[1].streams[2].stream->index, 2);
  EXPECT_EQ(job.outputFiles[1].streams[2].encoder->codec_id, AV_CODEC_ID_AC3);
  EXPECT_STREQ(Metadata(job.outputFiles[1].streams[1].stream->metadata, "language"), "fre");
  EXPECT_STREQ(Metadata(job.outputFiles[1].streams[2].stream->metadata, "language"), "ger");
  // A stream that cannot be made leaves the file as it was.
  EXPECT_THROW(ParseOptionText(job, "vcodec=nosuch\nnewvideo"), FFMpegException);
  EXPECT_EQ(job.outputFiles[1].streams.size(), 3u);
  EXPECT_EQ(job.outputFiles[1].context->nb_streams, 3u);
}

TEST_F(CreateOutputTest, AJobHoldsTwentyOutputs) {
  TCustomFFmpeg job;
  Open(job, "pcm_s16be.au");
  for (int i = 0; i < 20; ++i) {
    HandleOption(job, "f", "null");
    ASSERT_TRUE(CreateOutput(job, "-")) << job.LastErrorText;
  }
  HandleOption(job, "f", "null");
  EXPECT_FALSE(CreateOutput(job, "-"));
  EXPECT_EQ(job.LastErrorText, "Too many output files (at most 20)");
}

TEST_F(CreateOutputTest, InputsOfUnknownKindFailTheCheck) {
  TCustomFFmpeg job;
  testing::AddFakeInput(job, {{static_cast<AVMediaType>(7), {0, 1}}});
  EXPECT_THROW(CheckInputs(job), FFMpegException);
  EXPECT_FALSE(CreateOutput(job, Path("out.mkv")));
  EXPECT_EQ(job.LastErrorText, "check_audio_video_sub_inputs fail: invalid codec_type of input file");
}

TEST_F(CreateOutputTest, ReleasingTheJobDeletesOutputsThatStayedEmpty) {
  TCustomFFmpeg job;
  Open(job, "mpeg4_mp3.avi");
  const std::string empty = Path("empty.mkv");
  const std::string written = Path("written.mkv");
  ASSERT_TRUE(CreateOutput(job, empty));
  ASSERT_TRUE(CreateOutput(job, written));
  avio_write(job.outputFiles[1].context->pb, reinterpret_cast<const unsigned char*>("data"), 4);
  job.ReleaseOptionState();
  EXPECT_FALSE(std::filesystem::exists(empty));
  EXPECT_EQ(std::filesystem::file_size(written), 4u);
  EXPECT_TRUE(job.outputFiles.empty());
  EXPECT_TRUE(job.inputFiles.empty());
}

}  // namespace
}  // namespace quorbel
