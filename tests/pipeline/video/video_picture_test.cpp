// Views into pictures (crop, the inner area of padded pictures) and band filling, on the pixel
// layouts decoders and encoders use.
#include <gtest/gtest.h>

#include "pipeline/video_picture.h"
#include "video_test_util.h"

extern "C" {
#include <libavutil/intreadwrite.h>
}

namespace quorbel {
namespace {

using testing::MakePicture;

TEST(PictureViewTest, ShiftsFollowEachPlanesSubsamplingAndPixelSize) {
  const struct {
    AVPixelFormat format;
    int top, left;
    bool possible;
    int rows[3], bytes[3];  // offsets per plane: rows down and bytes across
  } cases[] = {
      {AV_PIX_FMT_YUV420P, 2, 4, true, {2, 1, 1}, {4, 2, 2}},
      {AV_PIX_FMT_YUV422P, 3, 4, true, {3, 3, 3}, {4, 2, 2}},
      {AV_PIX_FMT_YUV444P, 3, 5, true, {3, 3, 3}, {5, 5, 5}},
      {AV_PIX_FMT_NV12, 2, 4, true, {2, 1, 0}, {4, 4, 0}},
      {AV_PIX_FMT_RGB24, 1, 3, true, {1, 0, 0}, {9, 0, 0}},
      {AV_PIX_FMT_YUYV422, 1, 2, true, {1, 0, 0}, {4, 0, 0}},
      {AV_PIX_FMT_YUV420P10LE, 2, 2, true, {2, 1, 1}, {4, 2, 2}},
      {AV_PIX_FMT_YUV420P, 1, 4, false, {}, {}},  // would split a chroma row
      {AV_PIX_FMT_YUYV422, 0, 1, false, {}, {}},  // would split a pixel pair
      {AV_PIX_FMT_PAL8, 0, 0, false, {}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(av_get_pix_fmt_name(c.format));
    const FramePtr frame = MakePicture(c.format, 32, 16);
    const PictureView view = ViewOf(*frame);
    PictureView shifted;
    ASSERT_EQ(ShiftView(view, c.format, c.top, c.left, shifted), c.possible);
    if (!c.possible) continue;
    for (size_t p = 0; p < 3 && view.data[p] != nullptr; ++p) {
      EXPECT_EQ(shifted.data[p] - view.data[p], c.rows[p] * view.linesize[p] + c.bytes[p]) << p;
      EXPECT_EQ(shifted.linesize[p], view.linesize[p]);
    }
  }
}

TEST(PadPictureTest, BandsTakeTheColourAndTheInnerAreaTheSource) {
  const FramePtr padded = MakePicture(AV_PIX_FMT_YUV420P, 16, 12, 0);
  const FramePtr source = MakePicture(AV_PIX_FMT_YUV420P, 8, 4, 200);
  const PictureView inner = ViewOf(*source);
  ASSERT_TRUE(
      PadPicture(ViewOf(*padded), AV_PIX_FMT_YUV420P, 16, 12, PadBands{4, 4, 2, 6}, {16, 100, 150}, &inner));
  const auto at = [&](int plane, int x, int y) {
    return padded->data[plane][y * padded->linesize[plane] + x];
  };
  for (int y = 0; y < 12; ++y) {
    for (int x = 0; x < 16; ++x) {
      const bool inside = y >= 4 && y < 8 && x >= 2 && x < 10;
      EXPECT_EQ(at(0, x, y), inside ? 200 : 16) << x << "," << y;
      EXPECT_EQ(at(1, x / 2, y / 2), inside ? 200 : 100) << x << "," << y;
      EXPECT_EQ(at(2, x / 2, y / 2), inside ? 200 : 150) << x << "," << y;
    }
  }

  // Packed RGB takes the colour converted: limited-range black is RGB black.
  const FramePtr rgb = MakePicture(AV_PIX_FMT_BGRA, 4, 4, 77);
  ASSERT_TRUE(PadPicture(ViewOf(*rgb), AV_PIX_FMT_BGRA, 4, 4, PadBands{2, 0, 0, 0}, {16, 128, 128}, nullptr));
  EXPECT_EQ(rgb->data[0][0], 0);
  EXPECT_EQ(rgb->data[0][3], 255);                    // opaque
  EXPECT_EQ(rgb->data[0][2 * rgb->linesize[0]], 77);  // the rest is left as it was

  // Deeper samples take the colour scaled up (16 -> 64 in 10 bits).
  const FramePtr deep = MakePicture(AV_PIX_FMT_YUV420P10LE, 8, 8, 0);
  ASSERT_TRUE(
      PadPicture(ViewOf(*deep), AV_PIX_FMT_YUV420P10LE, 8, 8, PadBands{2, 0, 0, 0}, {16, 128, 128}, nullptr));
  EXPECT_EQ(AV_RL16(deep->data[0] + 2 * 7), 64);
  EXPECT_EQ(AV_RL16(deep->data[1]), 512);
  EXPECT_EQ(AV_RL16(deep->data[0] + 2 * deep->linesize[0]), 0);

  const FramePtr shared = MakePicture(AV_PIX_FMT_RGB565LE, 8, 8, 77);
  EXPECT_FALSE(
      PadPicture(ViewOf(*shared), AV_PIX_FMT_RGB565LE, 8, 8, PadBands{2, 2, 0, 0}, {16, 128, 128}, nullptr));
  EXPECT_EQ(shared->data[0][0], 77);
}

TEST(PictureBufferTest, LaysOutPicturesAndRefusesImpossibleSizes) {
  PictureBuffer buffer;
  const FramePtr picture = MakeFrame();
  ASSERT_TRUE(buffer.Layout(*picture, AV_PIX_FMT_YUV420P, 33, 17));
  EXPECT_EQ(picture->width, 33);
  EXPECT_EQ(picture->linesize[0] % 32, 0);
  EXPECT_GE(picture->data[1] - picture->data[0], picture->linesize[0] * 17);
  EXPECT_FALSE(buffer.Layout(*picture, AV_PIX_FMT_YUV420P, 20000, 20000));
  EXPECT_FALSE(buffer.Layout(*picture, AV_PIX_FMT_NONE, 16, 16));
}

}  // namespace
}  // namespace quorbel
