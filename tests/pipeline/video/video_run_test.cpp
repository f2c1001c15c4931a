// Whole runs through the video and subtitle paths, checked by decoding what they wrote: picture
// sizes and contents after crop, pad and scale, frame counts under each frame-rate method,
// two-pass encoding, the custom hook and plug-in hooks, DVB subtitles and every video encoder
// of the catalogue.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "../pipeline_test_util.h"
#include "quorbel/bitmap.h"
#include "video_test_util.h"

namespace quorbel {
namespace {

using fixtures::Fixture;
using testing::DecodedVideo;
using testing::DecodeVideo;
using testing::Picture;
using testing::PipelineJob;

constexpr int kSquareX = 100;
constexpr int kSquareY = 60;
constexpr int kSquareSize = 40;

std::string Plugin(const char* name) {
  return std::string(QUORBEL_VHOOK_DIR) + "/" + name + ".so";
}

// Green (limited-range U 54, V 34) lies outside the fixtures' chroma (128 +- 48).
bool ShowsGreen(const Picture& picture, int x, int y, int size) {
  return picture.Mean('u', x, y, size, size) < 75 && picture.Mean('v', x, y, size, size) < 60;
}

class VideoRunTest : public testing::PipelineTest {
 protected:
  // Converts the input with the output options; `prepare` may wire callbacks first.
  void Convert(Fixture input, const std::string& output, const std::string& options,
               const std::function<void(TCustomFFmpeg&)>& prepare = nullptr) {
    PipelineJob run;
    ASSERT_NO_FATAL_FAILURE(run.AddInput(fixtures::Path(input)));
    ASSERT_NO_FATAL_FAILURE(run.AddOutput(Path(output), options));
    run.job.CodecThreads = 1;
    if (prepare) prepare(run.job);
    ASSERT_EQ(run.Run(), "");
    lines_ = run.lines;
  }

  std::vector<std::string> lines_;
};

TEST_F(VideoRunTest, CropPadAndScaleGiveTheEncodersPictureSize) {
  const struct {
    const char* options;
    int width, height;
  } cases[] = {
      {"s=320x240", 320, 240},
      {"cropleft=8\ncropright=8", 144, 120},
      {"padtop=16\npadbottom=16", 160, 152},
      {"cropleft=8\npadtop=16\npadbottom=16\ns=320x240", 320, 272},
      {"croptop=20\ncropbottom=20\npadleft=10\npadright=6", 176, 80},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.options);
    ASSERT_NO_FATAL_FAILURE(
        Convert(Fixture::kAviMpeg4Mp3, "out.mkv", std::string("an\nvcodec=mpeg4\nt=0.4\n") + c.options));
    const DecodedVideo output = DecodeVideo(Path("out.mkv"));
    EXPECT_EQ(output.frames, 10);
    for (const Picture& picture : output.pictures) {
      EXPECT_EQ(picture.width, c.width);
      EXPECT_EQ(picture.height, c.height);
    }
  }
}

// The cropped picture is copied unscaled inside bands of the pad colour.
TEST_F(VideoRunTest, PaddingSurroundsTheCroppedPictureWithThePadColour) {
  std::array<int32_t, 3> padColor{};
  ASSERT_NO_FATAL_FAILURE(Convert(Fixture::kAviMpeg4Mp3, "out.mkv",
                                  "an\nvcodec=mpeg4\nqscale=2\nt=0.4\ncropleft=40\npadtop=16\npadbottom=16\n"
                                  "padcolor=0x3050C0",
                                  [&](TCustomFFmpeg& job) { padColor = job.settings.padColor; }));
  const DecodedVideo input = DecodeVideo(fixtures::Path(Fixture::kAviMpeg4Mp3));
  const DecodedVideo output = DecodeVideo(Path("out.mkv"));
  ASSERT_EQ(output.frames, 10);
  ASSERT_GE(input.frames, 10);
  EXPECT_NE(padColor, (std::array<int32_t, 3>{16, 128, 128}));
  for (size_t i = 0; i < 10; ++i) {
    SCOPED_TRACE(i);
    const Picture& out = output.pictures[i];
    ASSERT_EQ(out.width, 120);
    ASSERT_EQ(out.height, 152);
    for (const int top : {0, 136}) {
      EXPECT_NEAR(out.Mean('y', 0, top, 120, 16), padColor[0], 3);
      EXPECT_NEAR(out.Mean('u', 0, top, 120, 16), padColor[1], 3);
      EXPECT_NEAR(out.Mean('v', 0, top, 120, 16), padColor[2], 3);
    }
    // Inside the bands, output (x, y + 16) shows input (x + 40, y); a shift by 8 would not match.
    const Picture& in = input.pictures[i];
    const auto difference = [&](int shift) {
      double sum = 0.0;
      for (int y = 0; y < 120; ++y) {
        for (int x = 0; x < 112; ++x) {
          sum += std::abs(out.y[static_cast<size_t>((y + 16) * 120 + x)] -
                          in.y[static_cast<size_t>(y * 160 + x + shift)]);
        }
      }
      return sum / (120.0 * 112.0);
    };
    EXPECT_LT(difference(40), 4.0);
    EXPECT_GT(difference(48), 3 * difference(40));
  }
}

// The input holds 74 pictures 40 ms apart (2.92 s from the first to the last).
TEST_F(VideoRunTest, FrameCountsFollowDurationTimesRateUnderEachMethod) {
  const DecodedVideo input = DecodeVideo(fixtures::Path(Fixture::kVideoOnly));
  ASSERT_GT(input.frames, 50);
  const double span = input.pictures.back().seconds - input.pictures.front().seconds;
  const auto atRate = [&](int rate) { return static_cast<int>(std::lround(span * rate)) + 1; };
  const struct {
    const char* options;
    int frames;
  } cases[] = {
      {"r=10", atRate(10)},  // frames dropped
      {"r=50", atRate(50)},  // frames duplicated
      {"r=50\nvsync=1", atRate(50)},
      {"r=25\nvsync=0", input.frames},  // passed through
      {"r=50\nvsync=2", input.frames},  // never duplicated
      {"r=10\nvsync=2", atRate(10)},    // but dropped
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.options);
    ASSERT_NO_FATAL_FAILURE(
        Convert(Fixture::kVideoOnly, "out.mkv", std::string("vcodec=mpeg4\n") + c.options));
    const DecodedVideo output = DecodeVideo(Path("out.mkv"));
    EXPECT_NEAR(output.frames, c.frames, 1);
    EXPECT_EQ(output.decodeErrors, 0);
    ASSERT_FALSE(output.pictures.empty());
    EXPECT_NEAR(output.pictures.back().seconds, span, 0.11);
  }
}

TEST_F(VideoRunTest, PassOneWritesTheStatisticsThatPassTwoEncodesWith) {
  const std::string log = Path("stats");
  ASSERT_NO_FATAL_FAILURE(
      Convert(Fixture::kAviMpeg4Mp3, "pass1.mkv", "an\nvcodec=mpeg4\nb=200k\npass=1\npasslogfile=" + log));
  const DecodedVideo first = DecodeVideo(Path("pass1.mkv"), false);
  EXPECT_EQ(first.frames, 50);
  std::ifstream statistics(log + "-0.log");
  int lines = 0;
  for (std::string line; std::getline(statistics, line);) {
    EXPECT_EQ(line.rfind("in:", 0), 0u) << line;
    ++lines;
  }
  EXPECT_EQ(lines, 50);  // one line per coded picture

  ASSERT_NO_FATAL_FAILURE(
      Convert(Fixture::kAviMpeg4Mp3, "pass2.mkv", "an\nvcodec=mpeg4\nb=200k\npass=2\npasslogfile=" + log));
  const DecodedVideo second = DecodeVideo(Path("pass2.mkv"), false);
  EXPECT_EQ(second.frames, 50);
  EXPECT_EQ(second.decodeErrors, 0);
}

TEST_F(VideoRunTest, ACustomHookDrawingShowsInEveryOutputOfTheInput) {
  PipelineJob run;
  ASSERT_NO_FATAL_FAILURE(run.AddInput(fixtures::Path(Fixture::kAviMpeg4Mp3)));
  ASSERT_NO_FATAL_FAILURE(run.AddOutput(Path("out.mkv"), "an\nvcodec=mpeg4\nqscale=3\nt=1"));
  ASSERT_NO_FATAL_FAILURE(run.AddOutput(Path("out.avi"), "an\nvcodec=mpeg4\nqscale=3\nt=1\ns=320x240"));
  run.job.CodecThreads = 1;
  std::vector<int32_t> numbers;
  run.job.CustomHookCallback = [&](TCustomFFmpeg&, TBitmap& bitmap, int32_t frameNumber, int64_t, bool&,
                                   bool&) {
    numbers.push_back(frameNumber);
    for (int y = kSquareY; y < kSquareY + kSquareSize; ++y) {
      uint8_t* row = bitmap.ScanLine(y);
      for (int x = kSquareX; x < kSquareX + kSquareSize; ++x) {
        row[3 * x] = 0;
        row[3 * x + 1] = 255;
        row[3 * x + 2] = 0;
      }
    }
  };
  ASSERT_EQ(run.Run(), "");
  EXPECT_EQ(numbers.front(), 1);
  EXPECT_GE(numbers.size(), 25u);
  const struct {
    const char* file;
    int scale;
  } outputs[] = {{"out.mkv", 1}, {"out.avi", 2}};
  for (const auto& o : outputs) {
    SCOPED_TRACE(o.file);
    const DecodedVideo output = DecodeVideo(Path(o.file));
    EXPECT_EQ(output.frames, 25);
    for (const Picture& picture : output.pictures) {
      const int inset = 4 * o.scale;
      EXPECT_TRUE(ShowsGreen(picture, kSquareX * o.scale + inset, kSquareY * o.scale + inset,
                             (kSquareSize - 8) * o.scale));
      EXPECT_FALSE(ShowsGreen(picture, 20 * o.scale, kSquareY * o.scale, kSquareSize * o.scale));
    }
  }
}

TEST_F(VideoRunTest, PlugInHooksRunOnlyInsideTheHookRanges) {
  const std::string box = "vhook=" + Plugin("box") + " 100 60 40 40 green\n";
  ASSERT_NO_FATAL_FAILURE(
      Convert(Fixture::kVideoOnly, "out.mkv", "vcodec=mpeg4\nqscale=3\n" + box, [](TCustomFFmpeg& job) {
        job.hooks.HookRanges = {{400000, 800000}, {1200000, 1600000}};
      }));
  const DecodedVideo output = DecodeVideo(Path("out.mkv"));
  ASSERT_EQ(output.frames, DecodeVideo(fixtures::Path(Fixture::kVideoOnly), false).frames);
  for (const Picture& picture : output.pictures) {
    const double t = picture.seconds;
    SCOPED_TRACE(t);
    const bool inside = (t > 0.39 && t < 0.81) || (t > 1.19 && t < 1.61);
    EXPECT_EQ(ShowsGreen(picture, 104, 64, 32), inside);
  }
}

TEST_F(VideoRunTest, TheBeforeHookChoosesTheFramesPlugInsSee) {
  const std::string box = "vhook=" + Plugin("box") + " 100 60 40 40 green\n";
  ASSERT_NO_FATAL_FAILURE(
      Convert(Fixture::kVideoOnly, "out.mkv", "vcodec=mpeg4\nqscale=3\n" + box, [](TCustomFFmpeg& job) {
        job.BeforeHookCallback = [](TCustomFFmpeg& hooked, THookAction& action, int64_t) {
          action = hooked.hooks.HookFrameNumber % 2 == 1 ? haIgnore : haContinue;
        };
      }));
  const DecodedVideo output = DecodeVideo(Path("out.mkv"));
  ASSERT_EQ(output.frames, DecodeVideo(fixtures::Path(Fixture::kVideoOnly), false).frames);
  for (size_t i = 0; i < output.pictures.size(); ++i) {
    EXPECT_EQ(ShowsGreen(output.pictures[i], 104, 64, 32), i % 2 == 1) << i;
  }
}

struct SubtitlePacket {
  double seconds = 0.0;
  unsigned rectangles = 0;
};

// Every subtitle packet of a file, decoded.
std::vector<SubtitlePacket> ReadSubtitles(const std::string& path) {
  std::vector<SubtitlePacket> result;
  AVFormatContext* opened = nullptr;
  if (avformat_open_input(&opened, path.c_str(), nullptr, nullptr) < 0) return result;
  const InputFormatContextPtr file(opened);
  avformat_find_stream_info(opened, nullptr);
  const int index = av_find_best_stream(opened, AVMEDIA_TYPE_SUBTITLE, -1, -1, nullptr, 0);
  if (index < 0) return result;
  const AVStream* stream = opened->streams[index];
  const AVCodec* codec = avcodec_find_decoder(stream->codecpar->codec_id);
  const CodecContextPtr decoder(avcodec_alloc_context3(codec));
  avcodec_parameters_to_context(decoder.get(), stream->codecpar);
  if (avcodec_open2(decoder.get(), codec, nullptr) < 0) return result;
  const PacketPtr packet = MakePacket();
  while (av_read_frame(opened, packet.get()) >= 0) {
    if (packet->stream_index == index) {
      AVSubtitle subtitle{};
      int got = 0;
      if (avcodec_decode_subtitle2(decoder.get(), &subtitle, &got, packet.get()) >= 0 && got != 0) {
        const double start =
            static_cast<double>(packet->pts - stream->start_time) * av_q2d(stream->time_base);
        result.push_back({start + subtitle.start_display_time / 1000.0, subtitle.num_rects});
        avsubtitle_free(&subtitle);
      }
    }
    av_packet_unref(packet.get());
  }
  return result;
}

TEST_F(VideoRunTest, EachDvbSubtitleBecomesAPacketThatShowsItAndOneThatClearsIt) {
  const std::vector<SubtitlePacket> input = ReadSubtitles(fixtures::Path(Fixture::kDvbSubtitle));
  ASSERT_FALSE(input.empty());
  ASSERT_NO_FATAL_FAILURE(Convert(Fixture::kDvbSubtitle, "out.ts", "vcodec=copy\nan\nscodec=dvbsub"));
  const std::vector<SubtitlePacket> output = ReadSubtitles(Path("out.ts"));
  ASSERT_EQ(output.size(), 2 * input.size());
  for (size_t i = 0; i < input.size(); ++i) {
    SCOPED_TRACE(i);
    const SubtitlePacket& shown = output[2 * i];
    const SubtitlePacket& cleared = output[2 * i + 1];
    EXPECT_EQ(shown.rectangles, input[i].rectangles);
    EXPECT_GT(shown.rectangles, 0u);
    EXPECT_EQ(cleared.rectangles, 0u);
    EXPECT_NEAR(shown.seconds - output[0].seconds, input[i].seconds - input[0].seconds, 0.01);
    EXPECT_GT(cleared.seconds, shown.seconds);
    if (i + 1 < input.size()) {
      EXPECT_LE(cleared.seconds, output[2 * i + 2].seconds + 0.01);
    }
  }
}

// With copyts the fixture's 60 s jump asks for 1500 repeated frames at once; the limits still hold.
TEST_F(VideoRunTest, RepeatedFramesStopAtTheTimeAndSizeLimits) {
  const std::string common = "an\ncopyts\nvsync=1\ns=64x48\n";
  ASSERT_NO_FATAL_FAILURE(Convert(Fixture::kMpegTsDtsJump, "timed.avi", common + "vcodec=mpeg4\nt=3\n"));
  EXPECT_LE(DecodeVideo(Path("timed.avi"), false).frames, 3 * 25 + 1);

  // Raw pictures of 4608 bytes: 1500 of them would be 6.9 MB.
  ASSERT_NO_FATAL_FAILURE(
      Convert(Fixture::kMpegTsDtsJump, "sized.avi", common + "vcodec=rawvideo\nfs=300000\n"));
  EXPECT_LT(std::filesystem::file_size(Path("sized.avi")), 300000u + 64 * 1024);
}

TEST_F(VideoRunTest, EveryCatalogueEncoderWritesPicturesOfTheAskedSize) {
  const struct {
    const char* encoder;
    const char* file;
    const char* codec;  // as the file's reader names it
    const char* extra;
  } encoders[] = {
      {"mpeg4", "mpeg4.avi", "mpeg4", ""},
      {"libx264", "x264.mp4", "h264", "preset=ultrafast\n"},
      {"libxvid", "xvid.avi", "mpeg4", ""},
      {"h263", "h263.3gp", "h263", ""},
      {"mpeg1video", "mpeg1.mpg", "mpeg1video", ""},
      {"mpeg2video", "mpeg2.vob", "mpeg2video", ""},
      {"wmv2", "wmv2.wmv", "wmv2", ""},
      {"msmpeg4", "msmpeg4.avi", "msmpeg4v3", ""},
      {"flv", "flv.flv", "flv1", ""},
      {"rv10", "rv10.rm", "rv10", ""},
      {"rv20", "rv20.rm", "rv20", ""},
      {"rawvideo", "raw.avi", "rawvideo", ""},
  };
  for (const auto& e : encoders) {
    SCOPED_TRACE(e.encoder);
    ASSERT_NO_FATAL_FAILURE(Convert(Fixture::kAviMpeg4Mp3, e.file,
                                    std::string("an\nt=1\ns=176x144\nvcodec=") + e.encoder + "\n" + e.extra));
    for (const std::string& line : lines_) EXPECT_EQ(line.find("was not used"), std::string::npos) << line;
    const DecodedVideo output = DecodeVideo(Path(e.file));
    EXPECT_EQ(output.codec, e.codec);
    EXPECT_EQ(output.frames, 25);
    EXPECT_EQ(output.decodeErrors, 0);
    for (const Picture& picture : output.pictures) {
      EXPECT_EQ(picture.width, 176);
      EXPECT_EQ(picture.height, 144);
    }
  }
}

}  // namespace
}  // namespace quorbel
