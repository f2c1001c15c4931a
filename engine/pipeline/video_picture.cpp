#include "pipeline/video_picture.h"

#include <algorithm>
#include <cmath>
#include <cstring>

extern "C" {
#include <libavutil/common.h>
#include <libavutil/imgutils.h>
#include <libavutil/intreadwrite.h>
#include <libavutil/pixdesc.h>
}

namespace quorbel {

namespace {

// Row alignment of laid-out pictures; the scaler works fastest (and quietly) on aligned rows.
constexpr int kRowAlignment = 32;
constexpr int kOpaque = 255;

bool HasChroma(const AVPixFmtDescriptor& desc) {
  return (desc.flags & AV_PIX_FMT_FLAG_RGB) == 0 && desc.nb_components >= 3;
}

// Whether component `c` is subsampled by the format's chroma shifts.
bool IsChroma(const AVPixFmtDescriptor& desc, int c) {
  return HasChroma(desc) && (c == 1 || c == 2);
}

struct PlaneSteps {
  int bytesPerPixel[4] = {};
  int component[4] = {};  // the component with the widest step in each plane
};

PlaneSteps StepsOf(const AVPixFmtDescriptor& desc) {
  PlaneSteps steps;
  av_image_fill_max_pixsteps(steps.bytesPerPixel, steps.component, &desc);
  return steps;
}

uint8_t Clip(double value) {
  return static_cast<uint8_t>(std::clamp(std::lround(value), 0L, 255L));
}

// The value of every component of the format for a colour given as limited-range BT.601 YCbCr.
std::array<uint8_t, 4> ComponentValues(const AVPixFmtDescriptor& desc, const std::array<int32_t, 3>& ycbcr) {
  std::array<uint8_t, 4> values{};
  if ((desc.flags & AV_PIX_FMT_FLAG_RGB) != 0) {
    const double y = 1.164 * (ycbcr[0] - 16);
    const double cb = ycbcr[1] - 128;
    const double cr = ycbcr[2] - 128;
    values = {Clip(y + 1.596 * cr), Clip(y - 0.392 * cb - 0.813 * cr), Clip(y + 2.017 * cb), kOpaque};
  } else if (desc.nb_components >= 3) {
    values = {Clip(ycbcr[0]), Clip(ycbcr[1]), Clip(ycbcr[2]), kOpaque};
  } else {
    values = {Clip(ycbcr[0]), kOpaque, 0, 0};  // grey, with alpha as its second component
  }
  return values;
}

// Components stored one per byte, or one per 16-bit word (deeper samples, scaled up).
bool IsByte(const AVComponentDescriptor& component) {
  return component.depth == 8 && component.shift == 0;
}

bool IsWord(const AVComponentDescriptor& component) {
  return component.depth > 8 && component.depth + component.shift <= 16 && component.step % 2 == 0 &&
         component.offset % 2 == 0;
}

void StoreWord(uint8_t* at, uint16_t value, bool bigEndian) {
  if (bigEndian) {
    AV_WB16(at, value);
  } else {
    AV_WL16(at, value);
  }
}

void FillRectangle(const PictureView& picture, const AVPixFmtDescriptor& desc, int x, int y, int width,
                   int height, const std::array<uint8_t, 4>& values) {
  if (width <= 0 || height <= 0) return;
  const bool bigEndian = (desc.flags & AV_PIX_FMT_FLAG_BE) != 0;
  for (int c = 0; c < desc.nb_components; ++c) {
    const AVComponentDescriptor& component = desc.comp[c];
    const uint8_t value = values[static_cast<size_t>(c)];
    const auto word = static_cast<uint16_t>((value << (component.depth - 8)) << component.shift);
    const int shiftX = IsChroma(desc, c) ? desc.log2_chroma_w : 0;
    const int shiftY = IsChroma(desc, c) ? desc.log2_chroma_h : 0;
    const int x0 = x >> shiftX;
    const int x1 = AV_CEIL_RSHIFT(x + width, shiftX);
    const int y0 = y >> shiftY;
    const int y1 = AV_CEIL_RSHIFT(y + height, shiftY);
    for (int row = y0; row < y1; ++row) {
      uint8_t* line = picture.data[component.plane] +
                      static_cast<ptrdiff_t>(row) * picture.linesize[component.plane] + component.offset;
      if (IsByte(component) && component.step == 1) {
        std::memset(line + x0, value, static_cast<size_t>(x1 - x0));
      } else if (IsByte(component)) {
        for (int column = x0; column < x1; ++column) line[column * component.step] = value;
      } else {
        for (int column = x0; column < x1; ++column)
          StoreWord(line + column * component.step, word, bigEndian);
      }
    }
  }
}

bool AllComponentsFillable(const AVPixFmtDescriptor& desc) {
  for (int c = 0; c < desc.nb_components; ++c) {
    if (!IsByte(desc.comp[c]) && !IsWord(desc.comp[c])) return false;
  }
  return desc.nb_components > 0;
}

}  // namespace

PictureView ViewOf(const AVFrame& frame) {
  PictureView view;
  for (size_t p = 0; p < 4; ++p) {
    view.data[p] = frame.data[p];
    view.linesize[p] = frame.linesize[p];
  }
  return view;
}

bool IsAddressable(AVPixelFormat format) {
  const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(format);
  constexpr uint64_t kNotAddressable =
      AV_PIX_FMT_FLAG_PAL | AV_PIX_FMT_FLAG_BITSTREAM | AV_PIX_FMT_FLAG_HWACCEL;
  return desc != nullptr && (desc->flags & kNotAddressable) == 0;
}

int PlaneHeight(AVPixelFormat format, int plane, int height) {
  const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(format);
  if (desc == nullptr) return 0;
  const PlaneSteps steps = StepsOf(*desc);
  return IsChroma(*desc, steps.component[plane]) ? AV_CEIL_RSHIFT(height, desc->log2_chroma_h) : height;
}

bool ShiftView(const PictureView& picture, AVPixelFormat format, int top, int left, PictureView& shifted) {
  if (!IsAddressable(format) || top < 0 || left < 0) return false;
  const AVPixFmtDescriptor& desc = *av_pix_fmt_desc_get(format);
  if (HasChroma(desc) && (top % (1 << desc.log2_chroma_h) != 0 || left % (1 << desc.log2_chroma_w) != 0)) {
    return false;
  }
  const PlaneSteps steps = StepsOf(desc);
  PictureView result = picture;
  const int planes = av_pix_fmt_count_planes(format);
  for (int p = 0; p < planes; ++p) {
    const bool chroma = IsChroma(desc, steps.component[p]);
    const int rows = chroma ? top >> desc.log2_chroma_h : top;
    const int columns = chroma ? left >> desc.log2_chroma_w : left;
    result.data[static_cast<size_t>(p)] +=
        static_cast<ptrdiff_t>(rows) * picture.linesize[static_cast<size_t>(p)] +
        static_cast<ptrdiff_t>(columns) * steps.bytesPerPixel[p];
  }
  shifted = result;
  return true;
}

bool PadPicture(const PictureView& picture, AVPixelFormat format, int width, int height,
                const PadBands& bands, const std::array<int32_t, 3>& ycbcr, const PictureView* inner) {
  if (!IsAddressable(format)) return false;
  const AVPixFmtDescriptor& desc = *av_pix_fmt_desc_get(format);
  if (!AllComponentsFillable(desc)) return false;
  const int innerWidth = width - bands.left - bands.right;
  const int innerHeight = height - bands.top - bands.bottom;
  if (innerWidth < 0 || innerHeight < 0) return false;
  PictureView innerArea;
  if (inner != nullptr && !ShiftView(picture, format, bands.top, bands.left, innerArea)) return false;

  const std::array<uint8_t, 4> values = ComponentValues(desc, ycbcr);
  FillRectangle(picture, desc, 0, 0, width, bands.top, values);
  FillRectangle(picture, desc, 0, height - bands.bottom, width, bands.bottom, values);
  FillRectangle(picture, desc, 0, bands.top, bands.left, innerHeight, values);
  FillRectangle(picture, desc, width - bands.right, bands.top, bands.right, innerHeight, values);
  if (inner != nullptr) {
    const uint8_t* source[4] = {inner->data[0], inner->data[1], inner->data[2], inner->data[3]};
    av_image_copy(innerArea.data.data(), innerArea.linesize.data(), source, inner->linesize.data(), format,
                  innerWidth, innerHeight);
  }
  return true;
}

bool PictureBuffer::Layout(AVFrame& picture, AVPixelFormat format, int width, int height) {
  const int size = av_image_get_buffer_size(format, width, height, kRowAlignment);
  if (size < 0) return false;
  if (static_cast<size_t>(size) > capacity_) {
    bytes_.reset();
    capacity_ = 0;
    bytes_.reset(static_cast<uint8_t*>(av_malloc(static_cast<size_t>(size))));
    if (!bytes_) return false;
    capacity_ = static_cast<size_t>(size);
  }
  if (av_image_fill_arrays(picture.data, picture.linesize, bytes_.get(), format, width, height,
                           kRowAlignment) < 0) {
    return false;
  }
  picture.format = format;
  picture.width = width;
  picture.height = height;
  return true;
}

}  // namespace quorbel
