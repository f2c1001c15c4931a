// box: paints a filled rectangle on every frame it sees.
//
// Arguments: X Y WIDTH HEIGHT [COLOUR]
//   X Y            top-left corner in pixels of the picture (may lie partly outside it)
//   WIDTH HEIGHT   size in pixels, both above 0
//   COLOUR         RRGGBB in hexadecimal or a name (black, white, red, green, blue, yellow,
//                  cyan, magenta, grey); white when omitted
// Example option: vhook=/usr/lib/quorbel/vhook/box.so 16 16 64 48 ff8000
#define QUORBEL_VHOOK_PLUGIN
#include <new>

#include "picture.h"

namespace {

using quorbel::vhook::Colour;

struct Box {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  Colour colour{255, 255, 255};
};

}  // namespace

int Configure(void** context, int argc, char** argv) {
  using quorbel::vhook::ParseInteger;
  Box box;
  if (argc != 5 && argc != 6) return -1;
  if (!ParseInteger(argv[1], box.x) || !ParseInteger(argv[2], box.y) || !ParseInteger(argv[3], box.width) ||
      !ParseInteger(argv[4], box.height) || box.width <= 0 || box.height <= 0) {
    return -1;
  }
  if (argc == 6 && !quorbel::vhook::ParseColour(argv[5], box.colour)) return -1;
  *context = new (std::nothrow) Box(box);
  return *context != nullptr ? 0 : -1;
}

void Process(void* context, QuorbelVhookPicture* picture, int pixelFormat, int width, int height, int64_t) {
  const Box& box = *static_cast<const Box*>(context);
  quorbel::vhook::FillRectangle(*picture, quorbel::vhook::LayoutOf(pixelFormat), width, height, box.x, box.y,
                                box.width, box.height, box.colour);
}

void Release(void* context) {
  delete static_cast<Box*>(context);
}
