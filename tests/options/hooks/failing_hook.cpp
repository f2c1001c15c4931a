// A frame-hook plug-in for the tests whose "Configure" refuses every argument list.
#define QUORBEL_VHOOK_PLUGIN
#include "quorbel/vhook.h"

extern "C" {
int Configure(void**, int, char**) {
  return -1;
}
void Process(void*, QuorbelVhookPicture*, int, int, int, int64_t) {}
}
