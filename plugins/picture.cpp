#include "picture.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <cstring>

extern "C" {
#include <libavutil/pixfmt.h>
}

namespace quorbel::vhook {

namespace {

PixelLayout Yuv(int shiftX, int shiftY, bool fullRange = false) {
  PixelLayout layout;
  layout.kind = Layout::kPlanarYuv;
  layout.chromaShiftX = shiftX;
  layout.chromaShiftY = shiftY;
  layout.fullRange = fullRange;
  return layout;
}

PixelLayout Rgb(int bytesPerPixel, int red, int green, int blue) {
  PixelLayout layout;
  layout.kind = Layout::kPackedRgb;
  layout.bytesPerPixel = bytesPerPixel;
  layout.red = red;
  layout.green = green;
  layout.blue = blue;
  return layout;
}

uint8_t Clip(double value) {
  return static_cast<uint8_t>(std::clamp(std::lround(value), 0L, 255L));
}

int CeilShift(int value, int shift) {
  return -((-value) >> shift);
}

struct NamedColour {
  const char* name;
  Colour colour;
};

constexpr NamedColour kNamedColours[] = {
    {"black", {0, 0, 0}},    {"white", {255, 255, 255}}, {"red", {255, 0, 0}},
    {"green", {0, 255, 0}},  {"blue", {0, 0, 255}},      {"yellow", {255, 255, 0}},
    {"cyan", {0, 255, 255}}, {"magenta", {255, 0, 255}}, {"grey", {128, 128, 128}},
};

void FillPlane(uint8_t* plane, int linesize, int x0, int y0, int x1, int y1, uint8_t value) {
  for (int row = y0; row < y1; ++row) {
    std::memset(plane + static_cast<ptrdiff_t>(row) * linesize + x0, value, static_cast<size_t>(x1 - x0));
  }
}

}  // namespace

PixelLayout LayoutOf(int pixelFormat) {
  switch (pixelFormat) {
    case AV_PIX_FMT_YUV420P:
    case AV_PIX_FMT_YUVA420P:
      return Yuv(1, 1);
    case AV_PIX_FMT_YUVJ420P:
      return Yuv(1, 1, true);
    case AV_PIX_FMT_YUV422P:
      return Yuv(1, 0);
    case AV_PIX_FMT_YUVJ422P:
      return Yuv(1, 0, true);
    case AV_PIX_FMT_YUV444P:
      return Yuv(0, 0);
    case AV_PIX_FMT_YUVJ444P:
      return Yuv(0, 0, true);
    case AV_PIX_FMT_YUV411P:
      return Yuv(2, 0);
    case AV_PIX_FMT_YUVJ411P:
      return Yuv(2, 0, true);
    case AV_PIX_FMT_YUV440P:
      return Yuv(0, 1);
    case AV_PIX_FMT_YUVJ440P:
      return Yuv(0, 1, true);
    case AV_PIX_FMT_GRAY8: {
      PixelLayout grey;
      grey.kind = Layout::kGrey;  // limited range, as the scaler library reads it
      return grey;
    }
    case AV_PIX_FMT_RGB24:
      return Rgb(3, 0, 1, 2);
    case AV_PIX_FMT_BGR24:
      return Rgb(3, 2, 1, 0);
    case AV_PIX_FMT_RGBA:
    case AV_PIX_FMT_RGB0:
      return Rgb(4, 0, 1, 2);
    case AV_PIX_FMT_BGRA:
    case AV_PIX_FMT_BGR0:
      return Rgb(4, 2, 1, 0);
    case AV_PIX_FMT_ARGB:
    case AV_PIX_FMT_0RGB:
      return Rgb(4, 1, 2, 3);
    case AV_PIX_FMT_ABGR:
    case AV_PIX_FMT_0BGR:
      return Rgb(4, 3, 2, 1);
    default:
      return PixelLayout{};
  }
}

YuvColour ToYuv(const Colour& colour, bool fullRange) {
  const double r = colour.red;
  const double g = colour.green;
  const double b = colour.blue;
  if (fullRange) {
    return {Clip(0.299 * r + 0.587 * g + 0.114 * b), Clip(128.0 - 0.168736 * r - 0.331264 * g + 0.5 * b),
            Clip(128.0 + 0.5 * r - 0.418688 * g - 0.081312 * b)};
  }
  return {Clip(16.0 + (65.481 * r + 128.553 * g + 24.966 * b) / 255.0),
          Clip(128.0 + (-37.797 * r - 74.203 * g + 112.0 * b) / 255.0),
          Clip(128.0 + (112.0 * r - 93.786 * g - 18.214 * b) / 255.0)};
}

bool ParseColour(const char* text, Colour& colour) {
  for (const NamedColour& named : kNamedColours) {
    if (std::strcmp(text, named.name) == 0) {
      colour = named.colour;
      return true;
    }
  }
  const char* digits = text[0] == '#' ? text + 1 : text;
  if (std::strlen(digits) != 6 || std::strspn(digits, "0123456789abcdefABCDEF") != 6) return false;
  const unsigned long value = std::strtoul(digits, nullptr, 16);
  colour = {static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value)};
  return true;
}

bool ParseInteger(const char* text, int& value) {
  char* end = nullptr;
  errno = 0;
  const long parsed = std::strtol(text, &end, 10);
  if (end == text || *end != '\0' || errno != 0 || parsed < -1000000 || parsed > 1000000) return false;
  value = static_cast<int>(parsed);
  return true;
}

void FillRectangle(QuorbelVhookPicture& picture, const PixelLayout& layout, int width, int height, int x,
                   int y, int w, int h, const Colour& colour) {
  const int x0 = std::clamp(x, 0, width);
  const int y0 = std::clamp(y, 0, height);
  const int x1 = std::clamp(x + std::max(w, 0), 0, width);
  const int y1 = std::clamp(y + std::max(h, 0), 0, height);
  if (x0 >= x1 || y0 >= y1) return;
  switch (layout.kind) {
    case Layout::kPlanarYuv: {
      const YuvColour yuv = ToYuv(colour, layout.fullRange);
      FillPlane(picture.data[0], picture.linesize[0], x0, y0, x1, y1, yuv.y);
      const int cx0 = CeilShift(x0, layout.chromaShiftX);
      const int cy0 = CeilShift(y0, layout.chromaShiftY);
      const int cx1 = CeilShift(x1, layout.chromaShiftX);
      const int cy1 = CeilShift(y1, layout.chromaShiftY);
      FillPlane(picture.data[1], picture.linesize[1], cx0, cy0, cx1, cy1, yuv.u);
      FillPlane(picture.data[2], picture.linesize[2], cx0, cy0, cx1, cy1, yuv.v);
      break;
    }
    case Layout::kGrey:
      FillPlane(picture.data[0], picture.linesize[0], x0, y0, x1, y1, ToYuv(colour, layout.fullRange).y);
      break;
    case Layout::kPackedRgb:
      for (int row = y0; row < y1; ++row) {
        uint8_t* pixel = picture.data[0] + static_cast<ptrdiff_t>(row) * picture.linesize[0] +
                         static_cast<ptrdiff_t>(x0) * layout.bytesPerPixel;
        for (int column = x0; column < x1; ++column, pixel += layout.bytesPerPixel) {
          pixel[layout.red] = colour.red;
          pixel[layout.green] = colour.green;
          pixel[layout.blue] = colour.blue;
        }
      }
      break;
    case Layout::kUnsupported:
      break;
  }
}

}  // namespace quorbel::vhook
