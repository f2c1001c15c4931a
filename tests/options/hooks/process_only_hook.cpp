// A frame-hook plug-in for the tests with only "Process": usable without arguments only.
#define QUORBEL_VHOOK_PLUGIN
#include "quorbel/vhook.h"

extern "C" void Process(void*, QuorbelVhookPicture* picture, int, int, int, int64_t) {
  picture->data[0][0] = 0xAB;
}
