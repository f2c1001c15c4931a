// A frame-hook plug-in for the tests: fills the first plane with the number given as its first
// argument and reports what it saw through the Test* exports.
#define QUORBEL_VHOOK_PLUGIN
#include <cstdlib>
#include <string>

#include "quorbel/vhook.h"

namespace {

struct Context {
  int value = 1;
};

std::string lastArguments;
int configureCount = 0;
int releaseCount = 0;

}  // namespace

extern "C" {

int Configure(void** context, int argc, char** argv) {
  lastArguments.clear();
  for (int i = 0; i < argc; ++i) lastArguments += std::string(i == 0 ? "" : "|") + argv[i];
  auto* state = new Context;
  if (argc > 1) state->value = std::atoi(argv[1]);
  *context = state;
  ++configureCount;
  return 0;
}

void Process(void* context, QuorbelVhookPicture* picture, int, int width, int height, int64_t) {
  const auto* state = static_cast<Context*>(context);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x)
      picture->data[0][y * picture->linesize[0] + x] += static_cast<uint8_t>(state->value);
  }
}

void Release(void* context) {
  delete static_cast<Context*>(context);
  ++releaseCount;
}

__attribute__((visibility("default"))) const char* TestHookLastArguments() {
  return lastArguments.c_str();
}
__attribute__((visibility("default"))) int TestHookConfigureCount() {
  return configureCount;
}
__attribute__((visibility("default"))) int TestHookReleaseCount() {
  return releaseCount;
}
}
