// Loader of frame-hook plug-ins (see quorbel/vhook.h for the module contract).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "quorbel/vhook.h"

namespace quorbel {

// One added plug-in. Destroying the entry calls the plug-in's Release.
struct TPluginHook {
  QuorbelVhookConfigure Configure = nullptr;
  QuorbelVhookProcess Process = nullptr;
  QuorbelVhookRelease Release = nullptr;
  void* Context = nullptr;  // filled by Configure

  // The argument strings given to Configure; plug-ins may keep pointers into them until Release.
  std::vector<std::string> arguments;
  std::vector<char*> argv;

  TPluginHook() = default;
  TPluginHook(const TPluginHook&) = delete;
  TPluginHook& operator=(const TPluginHook&) = delete;
  ~TPluginHook();
};

// Loaded plug-ins of one job, in the order they were added.
using TPluginHookList = std::vector<std::unique_ptr<TPluginHook>>;

// Adds the plug-in args[0] with the arguments args (args[0] included) to list. Returns 0 on
// success, -1 when the module cannot be loaded, -2 for no arguments or a missing entry point,
// -12 when the entry cannot be allocated, -22 when Configure fails. Failures are logged through
// the library log at level 0. A module is loaded once per process (by its name exactly as given)
// and is never unloaded.
int AddPluginHook(TPluginHookList& list, const std::vector<std::string>& args);

// Calls every plug-in's Process in list order.
void RunPluginHooks(TPluginHookList& list, QuorbelVhookPicture& picture, int pixelFormat, int width,
                    int height, int64_t ptsUs);

// Calls Release of every entry in list order and empties the list.
void ReleasePluginHooks(TPluginHookList& list);

// File names of the modules loaded so far (LoadedHookLibraries), in name order.
std::vector<std::string> LoadedHookLibraryNames();

}  // namespace quorbel
