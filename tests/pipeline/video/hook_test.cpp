// PrepareVideoFrame: which frames the plug-in hooks see, the custom hook's bitmap, the working
// copy (deinterlacing included) and every failure of the table, on pictures made here.
#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "job/custom_ffmpeg.h"
#include "options/option_parser.h"
#include "pipeline/run_cleanup.h"
#include "pipeline/video_prepare.h"
#include "quorbel/bitmap.h"
#include "video_test_util.h"

namespace quorbel {
namespace {

using testing::MakePicture;

constexpr int kWidth = 64;
constexpr int kHeight = 48;
constexpr uint8_t kLuma = 100;

std::string Plugin(const char* name) {
  return std::string(QUORBEL_VHOOK_DIR) + "/" + name + ".so";
}

// Paints a rectangle into a bitmap in blue, green, red order.
void PaintBitmap(TBitmap& bitmap, int x, int y, int w, int h, uint8_t blue, uint8_t green, uint8_t red) {
  for (int row = y; row < y + h; ++row) {
    uint8_t* line = bitmap.ScanLine(row);
    for (int column = x; column < x + w; ++column) {
      line[3 * column] = blue;
      line[3 * column + 1] = green;
      line[3 * column + 2] = red;
    }
  }
}

uint8_t At(const AVFrame& frame, int plane, int x, int y) {
  return frame.data[plane][static_cast<ptrdiff_t>(y) * frame.linesize[plane] + x];
}

class HookTest : public ::testing::Test {
 protected:
  HookTest() {
    job_.LogCallback = [this](TCustomFFmpeg&, int level, const std::string& text) {
      if (level == 0) errors_.push_back(text);
    };
  }
  ~HookTest() override {
    CloseOpenCodecs(job_);
    job_.ReleaseOptionState();
  }

  // A grey picture (luma kLuma, neutral chroma) at a time.
  FramePtr Grey(int64_t ptsUs, AVPixelFormat format = AV_PIX_FMT_YUV420P, int width = kWidth,
                int height = kHeight) {
    FramePtr frame = MakePicture(format, width, height, 128);
    if (format == AV_PIX_FMT_YUV420P) {
      for (int y = 0; y < height; ++y) std::memset(frame->data[0] + y * frame->linesize[0], kLuma, width);
    }
    ist_.Pts = ptsUs;
    return frame;
  }
  void AddBox(const std::string& arguments = " 0 0 8 8 white") {
    std::vector<std::string> args{Plugin("box")};
    std::string rest = arguments;
    size_t start = rest.find_first_not_of(' ');
    while (start != std::string::npos) {
      const size_t end = rest.find(' ', start);
      args.push_back(rest.substr(start, end - start));
      start = end == std::string::npos ? end : rest.find_first_not_of(' ', end);
    }
    ASSERT_EQ(AddPluginHook(job_.hooks.PluginHooks, args), 0);
    job_.hooks.UsePluginHooks = true;
  }
  // Whether the box plug-in painted the frame (white corner on grey).
  bool Boxed(int64_t ptsUs) {
    const FramePtr frame = Grey(ptsUs);
    const AVFrame* prepared = PrepareVideoFrame(job_, ist_, frame.get());
    return At(*prepared, 0, 1, 1) > 200;
  }

  TCustomFFmpeg job_;
  TInputStreamState ist_;
  std::vector<std::string> errors_;
};

TEST_F(HookTest, WithoutHooksTheDecodedPictureGoesOnAndIsStillCounted) {
  for (int n = 1; n <= 3; ++n) {
    const FramePtr frame = Grey(n * 40000);
    EXPECT_EQ(PrepareVideoFrame(job_, ist_, frame.get()), frame.get());
    EXPECT_EQ(job_.hooks.HookFrameNumber, n);
  }
  EXPECT_TRUE(errors_.empty());
}

TEST_F(HookTest, HookRangesDecideWhichFramesPlugInsSeeAndEndThemPastTheLast) {
  AddBox();
  job_.hooks.HookRanges = {{1000000, 2000000}, {5000000, 6000000}};
  const struct {
    int64_t ptsUs;
    bool boxed;
    THookAction action;
  } frames[] = {
      {500000, false, haIgnore},   {1500000, true, haContinue}, {3000000, false, haIgnore},
      {5500000, true, haContinue}, {6000001, false, haStop},    {5500000, false, haStop},
  };
  for (const auto& f : frames) {
    SCOPED_TRACE(f.ptsUs);
    EXPECT_EQ(Boxed(f.ptsUs), f.boxed);
    EXPECT_EQ(job_.hooks.HookAction, f.action);
  }
  EXPECT_FALSE(job_.hooks.UsePluginHooks);
  EXPECT_EQ(job_.hooks.HookRangeIndex, 1);
}

TEST_F(HookTest, TheBeforeHookGatesPlugInsFrameByFrame) {
  AddBox();
  std::vector<int64_t> asked;
  job_.BeforeHookCallback = [&](TCustomFFmpeg& job, THookAction& action, int64_t ptsUs) {
    asked.push_back(ptsUs);
    action = job.hooks.HookFrameNumber % 2 == 1 ? haIgnore : haContinue;
  };
  for (int n = 1; n <= 6; ++n) EXPECT_EQ(Boxed(n * 40000), n % 2 == 0) << n;
  EXPECT_EQ(asked.size(), 6u);
  EXPECT_EQ(asked[2], 120000);

  job_.BeforeHookCallback = [&](TCustomFFmpeg&, THookAction&, int64_t) { throw std::runtime_error("boom"); };
  EXPECT_FALSE(Boxed(280000));
  EXPECT_FALSE(job_.hooks.UsePluginHooks);
  EXPECT_EQ(job_.hooks.HookAction, haStop);
  ASSERT_EQ(errors_.size(), 1u);
  EXPECT_EQ(errors_[0], "Error occurs OnBeforeHook: boom");
  EXPECT_FALSE(Boxed(320000));
  EXPECT_EQ(errors_.size(), 1u);  // not asked again
}

TEST_F(HookTest, TheCustomHookDrawsOnACopyAndItsDrawingReachesThePicture) {
  AddBox();  // never runs while the custom hook is wired
  std::vector<int32_t> numbers;
  std::vector<int64_t> times;
  bool update = true;
  job_.CustomHookCallback = [&](TCustomFFmpeg&, TBitmap& bitmap, int32_t frameNumber, int64_t ptsUs,
                                bool& keep, bool&) {
    numbers.push_back(frameNumber);
    times.push_back(ptsUs);
    EXPECT_EQ(bitmap.Width(), kWidth);
    EXPECT_EQ(bitmap.Height(), kHeight);
    bool lockedElsewhere = true;
    std::thread viewer([&] {
      lockedElsewhere = !bitmap.TryLock();
      if (!lockedElsewhere) bitmap.Unlock();
    });
    viewer.join();
    EXPECT_TRUE(lockedElsewhere) << "the canvas is locked while the handler runs";
    PaintBitmap(bitmap, 16, 16, 32, 24, 0, 255, 0);
    keep = update;
  };
  TInputStreamState second;  // a second video input: the numbers run on across both
  second.Pts = 1000;
  for (int n = 0; n < 2; ++n) {
    const FramePtr frame = Grey(40000);
    AVFrame* prepared = PrepareVideoFrame(job_, n == 0 ? ist_ : second, frame.get());
    ASSERT_NE(prepared, frame.get());
    EXPECT_EQ(At(*frame, 0, 30, 30), kLuma);        // the decoder's picture is never drawn on
    EXPECT_NEAR(At(*prepared, 0, 30, 28), 145, 4);  // green in limited-range BT.601
    EXPECT_NEAR(At(*prepared, 1, 15, 14), 54, 4);
    EXPECT_NEAR(At(*prepared, 2, 15, 14), 34, 4);
    EXPECT_NEAR(At(*prepared, 0, 2, 2), kLuma, 2);  // the box plug-in did not run
  }
  EXPECT_EQ(numbers, (std::vector<int32_t>{1, 2}));
  EXPECT_EQ(times, (std::vector<int64_t>{40000, 1000}));

  update = false;
  const FramePtr frame = Grey(80000);
  const AVFrame* prepared = PrepareVideoFrame(job_, ist_, frame.get());
  EXPECT_NEAR(At(*prepared, 0, 30, 28), kLuma, 2);
  EXPECT_TRUE(errors_.empty());
}

TEST_F(HookTest, AStopFromTheHandlerUnwiresItAndSwitchesPlugInsOff) {
  AddBox();
  int calls = 0;
  job_.CustomHookCallback = [&](TCustomFFmpeg&, TBitmap& bitmap, int32_t, int64_t, bool&, bool& stop) {
    ++calls;
    PaintBitmap(bitmap, 0, 0, 8, 8, 255, 255, 255);
    stop = true;
  };
  const FramePtr frame = Grey(0);
  const AVFrame* prepared = PrepareVideoFrame(job_, ist_, frame.get());
  EXPECT_GT(At(*prepared, 0, 2, 2), 200);  // this frame still takes the drawing
  EXPECT_FALSE(job_.CustomHookCallback);
  EXPECT_FALSE(job_.hooks.UsePluginHooks);
  EXPECT_EQ(job_.hooks.HookAction, haStop);
  EXPECT_FALSE(Boxed(40000));
  EXPECT_EQ(calls, 1);
}

TEST_F(HookTest, AHandlerThatRaisesIsLoggedAndItsFrameStaysAsItWas) {
  int calls = 0;
  job_.CustomHookCallback = [&](TCustomFFmpeg&, TBitmap& bitmap, int32_t, int64_t, bool&, bool&) {
    ++calls;
    PaintBitmap(bitmap, 0, 0, kWidth, kHeight, 255, 255, 255);
    throw std::runtime_error("no canvas");
  };
  for (int n = 0; n < 2; ++n) {
    const FramePtr frame = Grey(n * 40000);
    const AVFrame* prepared = PrepareVideoFrame(job_, ist_, frame.get());
    EXPECT_NEAR(At(*prepared, 0, 10, 10), kLuma, 2);
  }
  EXPECT_EQ(calls, 2);  // raising does not unwire the hook
  EXPECT_EQ(errors_, (std::vector<std::string>(2, "Error occurs OnCustomHook: no canvas")));
}

// The bitmap is made at the first frame's size: a frame of another size resizes it rather than
// overrunning its rows. Row padding of the bitmap (width 10: 30 bytes of 32) is never touched.
TEST_F(HookTest, TheBitmapFollowsTheFrameSizeAndKeepsItsRowPadding) {
  std::vector<std::pair<int, int>> sizes;
  job_.CustomHookCallback = [&](TCustomFFmpeg&, TBitmap& bitmap, int32_t, int64_t, bool&, bool&) {
    sizes.emplace_back(bitmap.Width(), bitmap.Height());
    if (bitmap.Width() == 10) {
      EXPECT_EQ(bitmap.BytesPerLine(), 32);
      if (sizes.size() > 1) {
        EXPECT_EQ(bitmap.ScanLine(3)[31], 0xA5);
      }
      bitmap.ScanLine(3)[31] = 0xA5;
    }
    PaintBitmap(bitmap, 0, 0, 2, 2, 255, 255, 255);
  };
  const std::pair<int, int> frames[] = {{10, 6}, {10, 6}, {64, 48}, {32, 16}};
  for (const auto& [width, height] : frames) {
    const FramePtr frame = Grey(0, AV_PIX_FMT_BGR24, width, height);
    const AVFrame* prepared = PrepareVideoFrame(job_, ist_, frame.get());
    ASSERT_EQ(prepared->width, width);
    EXPECT_EQ(At(*prepared, 0, 0, 1), 255);
    EXPECT_EQ(At(*prepared, 0, 3 * width - 1, height - 1), 128);
  }
  EXPECT_EQ(sizes, (std::vector<std::pair<int, int>>{{10, 6}, {10, 6}, {64, 48}, {32, 16}}));
}

TEST_F(HookTest, ConversionsThatCannotBeHadStopTheCustomHook) {
  const struct {
    AVPixelFormat format;  // nv16 cannot be read by the scaler, Bayer pictures cannot be written
    int calls;
    const char* message;
  } cases[] = {
      {AV_PIX_FMT_NV16, 0, "Cannot initialize the toRGB conversion context"},
      {AV_PIX_FMT_BAYER_RGGB8, 1, "Cannot initialize the fromRGB conversion context"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    errors_.clear();
    int calls = 0;
    job_.CustomHookCallback = [&](TCustomFFmpeg&, TBitmap& bitmap, int32_t, int64_t, bool&, bool&) {
      ++calls;
      PaintBitmap(bitmap, 0, 0, kWidth, kHeight, 0, 0, 0);
    };
    for (int n = 0; n < 2; ++n) {
      const FramePtr frame = Grey(n * 40000, c.format);
      const AVFrame* prepared = PrepareVideoFrame(job_, ist_, frame.get());
      EXPECT_EQ(At(*prepared, 0, 5, 5), 128);  // the frame keeps its pixels
    }
    EXPECT_EQ(calls, c.calls);
    EXPECT_EQ(errors_, std::vector<std::string>{c.message});
    EXPECT_FALSE(job_.CustomHookCallback);
  }
}

TEST_F(HookTest, DeinterlacingRebuildsTheBottomFieldFromBothFields) {
  ParseOptionText(job_, "deinterlace");
  const FramePtr frame = Grey(0);
  for (int y = 1; y < kHeight; y += 2) std::memset(frame->data[0] + y * frame->linesize[0], 0, kWidth);
  const AVFrame* prepared = PrepareVideoFrame(job_, ist_, frame.get());
  ASSERT_NE(prepared, frame.get());
  // (-0 + 4*100 + 2*0 + 4*100 - 0) / 8: the comb is gone, at the edges too.
  for (int y : {0, 1, 2, 21, kHeight - 1}) EXPECT_EQ(At(*prepared, 0, 7, y), kLuma) << y;
  EXPECT_EQ(At(*frame, 0, 7, 1), 0);
  EXPECT_TRUE(errors_.empty());
}

TEST_F(HookTest, AFailedDeinterlaceFallsBackToACopyThatHooksMayDrawOn) {
  ParseOptionText(job_, "deinterlace");
  job_.CustomHookCallback = [&](TCustomFFmpeg&, TBitmap& bitmap, int32_t, int64_t, bool&, bool&) {
    PaintBitmap(bitmap, 0, 0, kWidth, kHeight, 255, 255, 255);
  };
  const FramePtr frame = Grey(0, AV_PIX_FMT_RGB24);  // packed: not deinterlaced
  const AVFrame* prepared = PrepareVideoFrame(job_, ist_, frame.get());
  EXPECT_EQ(errors_, std::vector<std::string>{"deinterlace error."});
  ASSERT_NE(prepared, frame.get());
  EXPECT_EQ(At(*prepared, 0, 9, 9), 255);
  EXPECT_EQ(At(*frame, 0, 9, 9), 128);
}

TEST_F(HookTest, AWorkingCopyThatCannotBeAllocatedLeavesTheFrameUnprocessed) {
  ParseOptionText(job_, "deinterlace");
  const FramePtr frame = Grey(0);
  frame->width = 20000;  // beyond what a picture may measure; nothing is read from it
  frame->height = 20000;
  EXPECT_EQ(PrepareVideoFrame(job_, ist_, frame.get()), frame.get());
  EXPECT_EQ(errors_, std::vector<std::string>{"hook buf malloc error."});
  frame->width = kWidth;
  frame->height = kHeight;
}

}  // namespace
}  // namespace quorbel
