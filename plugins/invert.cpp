// invert: turns every frame it sees into its negative (light becomes dark, each colour its
// complement). Takes no arguments.
// Example option: vhook=/usr/lib/quorbel/vhook/invert.so
#define QUORBEL_VHOOK_PLUGIN
#include <algorithm>
#include <cstddef>

#include "picture.h"

namespace {

using quorbel::vhook::Layout;
using quorbel::vhook::PixelLayout;

// Limited-range luma mirrors black (16) and white (235) onto each other.
constexpr int kLimitedLumaMirror = 16 + 235;
constexpr int kFullMirror = 255;
// Chroma mirrors around its neutral value 128.
constexpr int kChromaMirror = 256;

void InvertPlane(uint8_t* plane, int linesize, int width, int height, int mirror) {
  for (int row = 0; row < height; ++row) {
    uint8_t* sample = plane + static_cast<ptrdiff_t>(row) * linesize;
    for (int x = 0; x < width; ++x) sample[x] = static_cast<uint8_t>(std::clamp(mirror - sample[x], 0, 255));
  }
}

int CeilShift(int value, int shift) {
  return -((-value) >> shift);
}

}  // namespace

void Process(void*, QuorbelVhookPicture* picture, int pixelFormat, int width, int height, int64_t) {
  const PixelLayout layout = quorbel::vhook::LayoutOf(pixelFormat);
  switch (layout.kind) {
    case Layout::kPlanarYuv: {
      InvertPlane(picture->data[0], picture->linesize[0], width, height,
                  layout.fullRange ? kFullMirror : kLimitedLumaMirror);
      const int chromaWidth = CeilShift(width, layout.chromaShiftX);
      const int chromaHeight = CeilShift(height, layout.chromaShiftY);
      InvertPlane(picture->data[1], picture->linesize[1], chromaWidth, chromaHeight, kChromaMirror);
      InvertPlane(picture->data[2], picture->linesize[2], chromaWidth, chromaHeight, kChromaMirror);
      break;
    }
    case Layout::kGrey:
      InvertPlane(picture->data[0], picture->linesize[0], width, height,
                  layout.fullRange ? kFullMirror : kLimitedLumaMirror);
      break;
    case Layout::kPackedRgb:
      for (int row = 0; row < height; ++row) {
        uint8_t* pixel = picture->data[0] + static_cast<ptrdiff_t>(row) * picture->linesize[0];
        for (int x = 0; x < width; ++x, pixel += layout.bytesPerPixel) {
          pixel[layout.red] = static_cast<uint8_t>(kFullMirror - pixel[layout.red]);
          pixel[layout.green] = static_cast<uint8_t>(kFullMirror - pixel[layout.green]);
          pixel[layout.blue] = static_cast<uint8_t>(kFullMirror - pixel[layout.blue]);
        }
      }
      break;
    case Layout::kUnsupported:
      break;
  }
}
