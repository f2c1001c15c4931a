// timestamp: writes each frame's input time as HH:MM:SS.mmm on a black box, in a small
// built-in 3 x 5 pixel font.
//
// Arguments: [X Y [SCALE [COLOUR]]]
//   X Y      top-left corner of the box in pixels; 8 8 when omitted
//   SCALE    size of one font pixel in picture pixels, 1 to 16; 2 when omitted
//   COLOUR   of the digits, RRGGBB in hexadecimal or a name (see box); white when omitted
// Example option: vhook=/usr/lib/quorbel/vhook/timestamp.so 8 8 3 yellow
#define QUORBEL_VHOOK_PLUGIN
#include <cinttypes>
#include <cstdio>
#include <new>

#include "picture.h"

namespace {

using quorbel::vhook::Colour;

constexpr int kGlyphWidth = 3;
constexpr int kGlyphHeight = 5;
constexpr int kMaxScale = 16;
constexpr int64_t kMicrosecondsPerMillisecond = 1000;

// One row per byte, the three low bits from left to right.
struct Glyph {
  char character;
  uint8_t rows[kGlyphHeight];
};

constexpr Glyph kFont[] = {
    {'0', {7, 5, 5, 5, 7}}, {'1', {2, 6, 2, 2, 7}}, {'2', {7, 1, 7, 4, 7}}, {'3', {7, 1, 7, 1, 7}},
    {'4', {5, 5, 7, 1, 1}}, {'5', {7, 4, 7, 1, 7}}, {'6', {7, 4, 7, 5, 7}}, {'7', {7, 1, 1, 1, 1}},
    {'8', {7, 5, 7, 5, 7}}, {'9', {7, 5, 7, 1, 7}}, {':', {0, 2, 0, 2, 0}}, {'.', {0, 0, 0, 0, 2}},
};

struct Stamp {
  int x = 8;
  int y = 8;
  int scale = 2;
  Colour colour{255, 255, 255};
};

const Glyph* GlyphOf(char character) {
  for (const Glyph& glyph : kFont) {
    if (glyph.character == character) return &glyph;
  }
  return nullptr;
}

}  // namespace

int Configure(void** context, int argc, char** argv) {
  using quorbel::vhook::ParseInteger;
  Stamp stamp;
  if (argc == 2 || argc > 5) return -1;
  if (argc >= 3 && (!ParseInteger(argv[1], stamp.x) || !ParseInteger(argv[2], stamp.y))) return -1;
  if (argc >= 4 && (!ParseInteger(argv[3], stamp.scale) || stamp.scale < 1 || stamp.scale > kMaxScale))
    return -1;
  if (argc == 5 && !quorbel::vhook::ParseColour(argv[4], stamp.colour)) return -1;
  *context = new (std::nothrow) Stamp(stamp);
  return *context != nullptr ? 0 : -1;
}

void Process(void* context, QuorbelVhookPicture* picture, int pixelFormat, int width, int height,
             int64_t ptsUs) {
  const Stamp& stamp = *static_cast<const Stamp*>(context);
  const quorbel::vhook::PixelLayout layout = quorbel::vhook::LayoutOf(pixelFormat);
  const int64_t ms = ptsUs > 0 ? ptsUs / kMicrosecondsPerMillisecond : 0;
  char text[32];
  const int length = std::snprintf(text, sizeof(text), "%02" PRId64 ":%02" PRId64 ":%02" PRId64 ".%03" PRId64,
                                   ms / 3600000, ms / 60000 % 60, ms / 1000 % 60, ms % 1000);
  const int cell = (kGlyphWidth + 1) * stamp.scale;
  quorbel::vhook::FillRectangle(*picture, layout, width, height, stamp.x, stamp.y,
                                length * cell + stamp.scale, (kGlyphHeight + 2) * stamp.scale,
                                Colour{0, 0, 0});
  for (int i = 0; i < length; ++i) {
    const Glyph* glyph = GlyphOf(text[i]);
    if (glyph == nullptr) continue;
    for (int row = 0; row < kGlyphHeight; ++row) {
      for (int column = 0; column < kGlyphWidth; ++column) {
        if (((glyph->rows[row] >> (kGlyphWidth - 1 - column)) & 1) == 0) continue;
        quorbel::vhook::FillRectangle(
            *picture, layout, width, height, stamp.x + stamp.scale + i * cell + column * stamp.scale,
            stamp.y + (row + 1) * stamp.scale, stamp.scale, stamp.scale, stamp.colour);
      }
    }
  }
}

void Release(void* context) {
  delete static_cast<Stamp*>(context);
}
