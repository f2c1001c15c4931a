#include "job/plugin_hooks.h"

#include <dlfcn.h>

#include <map>
#include <mutex>
#include <new>

extern "C" {
#include <libavutil/log.h>
}

namespace quorbel {

namespace {

// Module handles by file name. Modules are never closed: plug-in code may still be referenced
// by contexts of other jobs, and reloading would reset their globals.
struct HookLibraries {
  std::mutex lock;
  std::map<std::string, void*> handles;  // guarded by lock
};

HookLibraries& LoadedHookLibraries() {
  static HookLibraries libraries;
  return libraries;
}

void* LoadHookLibrary(const std::string& fileName) {
  HookLibraries& libraries = LoadedHookLibraries();
  const std::lock_guard<std::mutex> guard(libraries.lock);
  const auto found = libraries.handles.find(fileName);
  if (found != libraries.handles.end()) return found->second;
  void* handle = dlopen(fileName.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    const char* reason = dlerror();
    av_log(nullptr, AV_LOG_ERROR, "%s\n", reason != nullptr ? reason : fileName.c_str());
    return nullptr;
  }
  libraries.handles.emplace(fileName, handle);
  return handle;
}

template <typename Function>
Function LookUp(void* module, const char* name) {
  return reinterpret_cast<Function>(dlsym(module, name));
}

}  // namespace

TPluginHook::~TPluginHook() {
  if (Release != nullptr) Release(Context);
}

int AddPluginHook(TPluginHookList& list, const std::vector<std::string>& args) {
  if (args.empty()) return -2;
  const std::string& fileName = args[0];
  void* module = LoadHookLibrary(fileName);
  if (module == nullptr) return -1;

  std::unique_ptr<TPluginHook> hook;
  try {
    hook = std::make_unique<TPluginHook>();
    hook->arguments = args;
    for (std::string& argument : hook->arguments) hook->argv.push_back(argument.data());
    hook->argv.push_back(nullptr);
    list.reserve(list.size() + 1);
  } catch (const std::bad_alloc&) {
    return -12;
  }
  const auto configure = LookUp<QuorbelVhookConfigure>(module, "Configure");
  const auto process = LookUp<QuorbelVhookProcess>(module, "Process");
  const auto release = LookUp<QuorbelVhookRelease>(module, "Release");
  if (process == nullptr) {
    av_log(nullptr, AV_LOG_ERROR, "Failed to find Process entrypoint in %s\n", fileName.c_str());
    return -2;
  }
  const int argc = static_cast<int>(args.size());
  if (configure == nullptr && argc > 1) {
    av_log(nullptr, AV_LOG_ERROR, "Failed to find Configure entrypoint in %s\n", fileName.c_str());
    return -2;
  }
  hook->Configure = configure;
  hook->Process = process;
  if (configure != nullptr && configure(&hook->Context, argc, hook->argv.data()) != 0) {
    av_log(nullptr, AV_LOG_ERROR, "Failed to Configure %s\n", fileName.c_str());
    return -22;
  }
  // Release only what Configure succeeded in setting up.
  hook->Release = release;
  list.push_back(std::move(hook));
  return 0;
}

void RunPluginHooks(TPluginHookList& list, QuorbelVhookPicture& picture, int pixelFormat, int width,
                    int height, int64_t ptsUs) {
  for (const auto& hook : list) hook->Process(hook->Context, &picture, pixelFormat, width, height, ptsUs);
}

void ReleasePluginHooks(TPluginHookList& list) {
  for (auto& hook : list) hook.reset();
  list.clear();
}

std::vector<std::string> LoadedHookLibraryNames() {
  HookLibraries& libraries = LoadedHookLibraries();
  const std::lock_guard<std::mutex> guard(libraries.lock);
  std::vector<std::string> names;
  for (const auto& entry : libraries.handles) names.push_back(entry.first);
  return names;
}

}  // namespace quorbel
