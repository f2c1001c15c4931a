// The example plug-ins through the loader: what they draw on each pixel layout they know, what
// they leave alone, and the arguments they refuse.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "job/plugin_hooks.h"
#include "video_test_util.h"

namespace quorbel {
namespace {

using testing::ConvertPicture;
using testing::MakePicture;

constexpr int kWidth = 40;
constexpr int kHeight = 30;

std::string Plugin(const char* name) {
  return std::string(QUORBEL_VHOOK_DIR) + "/" + name + ".so";
}

struct Rgb {
  int red, green, blue;
};

Rgb PixelAt(const AVFrame& frame, int x, int y) {
  const FramePtr rgb = ConvertPicture(frame, AV_PIX_FMT_RGB24);
  const uint8_t* pixel = rgb->data[0] + y * rgb->linesize[0] + 3 * x;
  return {pixel[0], pixel[1], pixel[2]};
}

void ExpectColour(const Rgb& actual, const Rgb& expected, int tolerance) {
  EXPECT_NEAR(actual.red, expected.red, tolerance);
  EXPECT_NEAR(actual.green, expected.green, tolerance);
  EXPECT_NEAR(actual.blue, expected.blue, tolerance);
}

void Process(TPluginHookList& hooks, AVFrame& frame, int64_t ptsUs = 0) {
  QuorbelVhookPicture picture{};
  for (size_t p = 0; p < 4; ++p) {
    picture.data[p] = frame.data[p];
    picture.linesize[p] = frame.linesize[p];
  }
  RunPluginHooks(hooks, picture, frame.format, frame.width, frame.height, ptsUs);
}

TEST(PluginTest, BoxAndInvertDrawOnEveryLayoutTheyKnow) {
  const struct {
    AVPixelFormat format;
    bool colour;  // grey pictures show the colours' luma
  } layouts[] = {
      {AV_PIX_FMT_YUV420P, true}, {AV_PIX_FMT_YUVJ420P, true}, {AV_PIX_FMT_YUV422P, true},
      {AV_PIX_FMT_YUV444P, true}, {AV_PIX_FMT_YUV411P, true},  {AV_PIX_FMT_YUV440P, true},
      {AV_PIX_FMT_RGB24, true},   {AV_PIX_FMT_BGR24, true},    {AV_PIX_FMT_RGBA, true},
      {AV_PIX_FMT_BGRA, true},    {AV_PIX_FMT_ARGB, true},     {AV_PIX_FMT_ABGR, true},
      {AV_PIX_FMT_RGB0, true},    {AV_PIX_FMT_0BGR, true},     {AV_PIX_FMT_GRAY8, false},
  };
  TPluginHookList box;
  TPluginHookList invert;
  ASSERT_EQ(AddPluginHook(box, {Plugin("box"), "12", "8", "16", "14", "ff0000"}), 0);
  ASSERT_EQ(AddPluginHook(invert, {Plugin("invert")}), 0);
  const FramePtr grey = MakePicture(AV_PIX_FMT_RGB24, kWidth, kHeight, 128);
  for (const auto& layout : layouts) {
    SCOPED_TRACE(av_get_pix_fmt_name(layout.format));
    const FramePtr frame = ConvertPicture(*grey, layout.format);
    Process(box, *frame);
    const Rgb red = layout.colour ? Rgb{255, 0, 0} : Rgb{76, 76, 76};
    ExpectColour(PixelAt(*frame, 20, 15), red, 12);
    ExpectColour(PixelAt(*frame, 4, 4), {128, 128, 128}, 4);
    ExpectColour(PixelAt(*frame, 36, 25), {128, 128, 128}, 4);
    Process(invert, *frame);
    const Rgb cyan = layout.colour ? Rgb{0, 255, 255} : Rgb{179, 179, 179};
    ExpectColour(PixelAt(*frame, 20, 15), cyan, 12);
    ExpectColour(PixelAt(*frame, 4, 4), {127, 127, 127}, 4);
  }
  ReleasePluginHooks(box);
  ReleasePluginHooks(invert);
}

TEST(PluginTest, LayoutsTheyDoNotKnowAreLeftAlone) {
  TPluginHookList hooks;
  ASSERT_EQ(AddPluginHook(hooks, {Plugin("box"), "0", "0", "40", "30"}), 0);
  ASSERT_EQ(AddPluginHook(hooks, {Plugin("invert")}), 0);
  ASSERT_EQ(AddPluginHook(hooks, {Plugin("timestamp")}), 0);
  for (const AVPixelFormat format :
       {AV_PIX_FMT_NV12, AV_PIX_FMT_YUV420P10LE, AV_PIX_FMT_PAL8, AV_PIX_FMT_UYVY422}) {
    SCOPED_TRACE(av_get_pix_fmt_name(format));
    const FramePtr frame = MakePicture(format, kWidth, kHeight, 77);
    Process(hooks, *frame, 1000000);
    const AVBufferRef* bytes = frame->buf[0];
    EXPECT_TRUE(std::all_of(bytes->data, bytes->data + bytes->size, [](uint8_t b) { return b == 77; }));
  }
  ReleasePluginHooks(hooks);
}

TEST(PluginTest, TimestampWritesEachFramesTimeOnABlackBox) {
  TPluginHookList hooks;
  ASSERT_EQ(AddPluginHook(hooks, {Plugin("timestamp"), "4", "6", "1", "yellow"}), 0);
  const auto stamped = [&](int64_t ptsUs) {
    FramePtr frame = MakePicture(AV_PIX_FMT_YUV444P, 64, 20, 128);
    Process(hooks, *frame, ptsUs);
    return frame;
  };
  const FramePtr first = stamped(3723456000);  // 01:02:03.456
  const FramePtr later = stamped(3723457000);
  // The box: 12 characters of 4 columns and a margin, 7 rows high, from (4, 6).
  EXPECT_EQ(first->data[0][6 * first->linesize[0] + 4], 16);
  EXPECT_EQ(first->data[0][12 * first->linesize[0] + 52], 16);
  EXPECT_EQ(first->data[0][13 * first->linesize[0] + 4], 128);  // below the box
  EXPECT_EQ(first->data[0][6 * first->linesize[0] + 53], 128);  // right of it
  // Yellow text inside it: the seconds' last digit ("3" at column 10 of 4 pixels) is lit at its
  // top row, and "4" differs from it there.
  const auto luma = [](const AVFrame& frame, int x, int y) {
    return frame.data[0][y * frame.linesize[0] + x];
  };
  const int digit = 4 + 1 + 7 * 4;  // x of the 8th character ("3" of "03")
  EXPECT_GT(luma(*first, digit, 7), 180);
  int differences = 0;
  for (int y = 6; y < 13; ++y) {
    for (int x = 4; x < 53; ++x) differences += luma(*first, x, y) != luma(*later, x, y) ? 1 : 0;
  }
  EXPECT_GT(differences, 0);
  ReleasePluginHooks(hooks);
}

TEST(PluginTest, ArgumentsThatDoNotFitAreRefused) {
  const struct {
    std::vector<std::string> args;
    int result;
  } cases[] = {
      {{Plugin("box"), "1", "2", "3"}, -22},
      {{Plugin("box"), "1", "2", "3", "0"}, -22},
      {{Plugin("box"), "1", "2", "3", "4", "nocolour"}, -22},
      {{Plugin("box"), "1", "2", "x3", "4"}, -22},
      {{Plugin("timestamp"), "1"}, -22},
      {{Plugin("timestamp"), "1", "2", "0"}, -22},
      {{Plugin("invert"), "now"}, -2},  // takes no arguments: it has no Configure
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args.back());
    TPluginHookList hooks;
    EXPECT_EQ(AddPluginHook(hooks, c.args), c.result);
    EXPECT_TRUE(hooks.empty());
  }
}

}  // namespace
}  // namespace quorbel
