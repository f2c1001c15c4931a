#include "pipeline/video_deinterlace.h"

#include <algorithm>
#include <cstring>

#include "pipeline/video_picture.h"

extern "C" {
#include <libavutil/imgutils.h>
#include <libavutil/pixdesc.h>
}

namespace quorbel {

namespace {

// One byte per sample and one component per plane.
bool IsBytePlanar(AVPixelFormat format) {
  if (!IsAddressable(format)) return false;
  const AVPixFmtDescriptor& desc = *av_pix_fmt_desc_get(format);
  for (int c = 0; c < desc.nb_components; ++c) {
    if (desc.comp[c].depth != 8 || desc.comp[c].step != 1 || desc.comp[c].shift != 0) return false;
  }
  return desc.nb_components > 0;
}

void DeinterlacePlane(const uint8_t* source, int sourceLinesize, uint8_t* target, int targetLinesize,
                      int width, int height) {
  // Rows beyond the picture are replaced by the nearest row of the same field.
  const auto row = [&](int y, int instead) {
    return source + static_cast<ptrdiff_t>(y >= 0 && y < height ? y : instead) * sourceLinesize;
  };
  for (int y = 0; y < height; ++y) {
    uint8_t* out = target + static_cast<ptrdiff_t>(y) * targetLinesize;
    if (y % 2 == 0) {
      std::memcpy(out, row(y, y), static_cast<size_t>(width));
      continue;
    }
    const uint8_t* above2 = row(y - 2, y);
    const uint8_t* above = row(y - 1, y - 1);
    const uint8_t* here = row(y, y);
    const uint8_t* below = row(y + 1, y - 1);
    const uint8_t* below2 = row(y + 2, y);
    for (int x = 0; x < width; ++x) {
      const int sum = -above2[x] + 4 * above[x] + 2 * here[x] + 4 * below[x] - below2[x];
      out[x] = static_cast<uint8_t>(std::clamp((sum + 4) >> 3, 0, 255));
    }
  }
}

}  // namespace

bool Deinterlace(const AVFrame& source, AVFrame& target) {
  const auto format = static_cast<AVPixelFormat>(source.format);
  if (!IsBytePlanar(format)) return false;
  const int planes = av_pix_fmt_count_planes(format);
  for (int p = 0; p < planes; ++p) {
    const int width = av_image_get_linesize(format, source.width, p);
    const int height = PlaneHeight(format, p, source.height);
    if (width <= 0 || height <= 0) continue;
    DeinterlacePlane(source.data[p], source.linesize[p], target.data[p], target.linesize[p], width, height);
  }
  return true;
}

}  // namespace quorbel
