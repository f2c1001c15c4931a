// Picture arithmetic of the video path: views shifted into a picture (crop, the inner area of a
// padded picture), band filling, and a byte buffer that pictures are laid over.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "base/av_ptr.h"

namespace quorbel {

// Plane pointers and line sizes of a picture; owns nothing.
struct PictureView {
  std::array<uint8_t*, 4> data{};
  std::array<int, 4> linesize{};
};

PictureView ViewOf(const AVFrame& frame);

// Whether pictures of the format have byte-addressed planes (no palette, bit stream or
// hardware surface), so that views and copies of them can be made.
bool IsAddressable(AVPixelFormat format);

// Number of rows of a plane of a picture `height` rows high.
int PlaneHeight(AVPixelFormat format, int plane, int height);

// The view of `picture` (in `format`) that starts `top` rows and `left` columns in, no copy.
// False when the format is not addressable or the shift would split subsampled chroma.
bool ShiftView(const PictureView& picture, AVPixelFormat format, int top, int left, PictureView& shifted);

struct PadBands {
  int top = 0;
  int bottom = 0;
  int left = 0;
  int right = 0;
};

// Fills the bands of a width x height picture with the colour given as 8-bit (Y, Cb, Cr) and,
// when `inner` is given, copies it into the area inside the bands. RGB formats get the colour
// converted (ITU-R BT.601, limited range), deeper samples get it scaled up. False when the
// format is not addressable or packs components into shared bits (RGB565 ...); the picture is
// then left as it was.
bool PadPicture(const PictureView& picture, AVPixelFormat format, int width, int height,
                const PadBands& bands, const std::array<int32_t, 3>& ycbcr, const PictureView* inner);

// A byte buffer that pictures are laid over; it grows to the largest picture and never shrinks.
class PictureBuffer {
 public:
  // Lays a picture of the format and size over the buffer (rows aligned for the scaler),
  // growing it first when it is too small. Sets the frame's data, line sizes, format, width and
  // height; the frame does not own the memory. False when the size is invalid or memory runs
  // out.
  bool Layout(AVFrame& picture, AVPixelFormat format, int width, int height);

 private:
  AvMemoryPtr<uint8_t> bytes_;
  size_t capacity_ = 0;
};

}  // namespace quorbel
