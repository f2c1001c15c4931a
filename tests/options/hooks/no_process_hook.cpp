// A frame-hook plug-in for the tests that lacks the required "Process".
#include "quorbel/vhook.h"

extern "C" __attribute__((visibility("default"))) int Configure(void**, int, char**) {
  return 0;
}
