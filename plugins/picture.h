// Pixel access shared by the example frame-hook plug-ins: which layouts they draw on (planar
// YUV 4:2:0, 4:2:2, 4:4:4, 4:1:1, 4:4:0 in limited or full range, limited-range grey, packed RGB
// and BGR with 24 or 32 bits per pixel), colours, and filled rectangles. Pictures in other
// layouts are left untouched by every plug-in.
#pragma once

#include <cstdint>

#include "quorbel/vhook.h"

namespace quorbel::vhook {

enum class Layout { kUnsupported, kPlanarYuv, kGrey, kPackedRgb };

struct PixelLayout {
  Layout kind = Layout::kUnsupported;
  bool fullRange = false;  // YUV: the "J" formats use 0 ... 255 for luma and chroma
  int chromaShiftX = 0;    // YUV: log2 of the horizontal and vertical chroma subsampling
  int chromaShiftY = 0;
  int bytesPerPixel = 0;  // RGB
  int red = 0;            // RGB: byte offsets inside a pixel
  int green = 0;
  int blue = 0;
};

// The layout of a pixel format given as the libraries' AVPixelFormat value.
PixelLayout LayoutOf(int pixelFormat);

struct Colour {
  uint8_t red = 0;
  uint8_t green = 0;
  uint8_t blue = 0;
};

struct YuvColour {
  uint8_t y = 0;
  uint8_t u = 0;
  uint8_t v = 0;
};

// ITU-R BT.601 conversion, in limited or full range.
YuvColour ToYuv(const Colour& colour, bool fullRange);

// "RRGGBB" or "#RRGGBB" in hexadecimal, or one of the names black, white, red, green, blue,
// yellow, cyan, magenta, grey. False when the text is none of these.
bool ParseColour(const char* text, Colour& colour);

// A whole decimal number, with an optional sign; false for anything else.
bool ParseInteger(const char* text, int& value);

// Fills the rectangle (x, y, w, h), clipped to the width x height picture. In subsampled
// chroma, a chroma sample is painted when the rectangle covers its first luma sample.
void FillRectangle(QuorbelVhookPicture& picture, const PixelLayout& layout, int width, int height, int x,
                   int y, int w, int h, const Colour& colour);

}  // namespace quorbel::vhook
