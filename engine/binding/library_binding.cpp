#include "quorbel/library_binding.h"

#include <mutex>

#include "base/text.h"
#include "binding/log_level.h"
#include "quorbel/exceptions.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/avutil.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

namespace quorbel::binding {

namespace {

struct LibraryState {
  bool bound = false;
  std::string error;
};

struct BindingState {
  std::array<LibraryState, kAllLibraries.size()> libraries;
  bool loaded = false;
  std::string sharedError;
};

// Guards the binding state. Loading happens once at start, but the loaded check is asked from
// whichever thread opens a probe.
std::mutex bindingMutex;
BindingState state;  // guarded by bindingMutex

LibraryState& StateOf(Library library) {
  return state.libraries[static_cast<size_t>(library)];
}

const char* BaseName(Library library) {
  switch (library) {
    case Library::kAvCodec:
      return "libavcodec";
    case Library::kAvFormat:
      return "libavformat";
    case Library::kAvUtil:
      return "libavutil";
    case Library::kSwScale:
      return "libswscale";
    case Library::kSwResample:
      return "libswresample";
  }
  return "";
}

bool LoadLibraryLocked(Library library, bool numberedNames, const VersionSource& versions) {
  LibraryState& libraryState = StateOf(library);
  if (!libraryState.bound) {
    const unsigned runTime = versions(library);
    const unsigned built = BuildVersion(library);
    if (AV_VERSION_MAJOR(runTime) != AV_VERSION_MAJOR(built)) {
      const std::string reason = StrPrintf(
          "version %u.%u.%u found, the engine was built for major version %u", AV_VERSION_MAJOR(runTime),
          AV_VERSION_MINOR(runTime), AV_VERSION_MICRO(runTime), AV_VERSION_MAJOR(built));
      libraryState.error = StrPrintf("Load libraray %s error: %s",
                                     LibraryFileName(library, numberedNames).c_str(), reason.c_str());
      state.sharedError = libraryState.error;
      return false;
    }
    libraryState.bound = true;
  }
  return true;
}

void UnloadLocked() {
  for (LibraryState& libraryState : state.libraries) libraryState.bound = false;
  state.loaded = false;
}

}  // namespace

unsigned RunTimeVersion(Library library) {
  switch (library) {
    case Library::kAvCodec:
      return avcodec_version();
    case Library::kAvFormat:
      return avformat_version();
    case Library::kAvUtil:
      return avutil_version();
    case Library::kSwScale:
      return swscale_version();
    case Library::kSwResample:
      return swresample_version();
  }
  return 0;
}

unsigned BuildVersion(Library library) {
  switch (library) {
    case Library::kAvCodec:
      return LIBAVCODEC_VERSION_INT;
    case Library::kAvFormat:
      return LIBAVFORMAT_VERSION_INT;
    case Library::kAvUtil:
      return LIBAVUTIL_VERSION_INT;
    case Library::kSwScale:
      return LIBSWSCALE_VERSION_INT;
    case Library::kSwResample:
      return LIBSWRESAMPLE_VERSION_INT;
  }
  return 0;
}

std::string LibraryFileName(Library library, bool numberedNames) {
  if (!numberedNames) return StrPrintf("%s.so", BaseName(library));
  return StrPrintf("%s.so.%u", BaseName(library), AV_VERSION_MAJOR(BuildVersion(library)));
}

bool LoadLibraries(bool numberedNames) {
  return LoadLibraries(numberedNames, RunTimeVersion);
}

bool LoadLibraries(bool numberedNames, const VersionSource& versions) {
  {
    const std::lock_guard lock(bindingMutex);
    if (state.loaded) return true;
    state.sharedError.clear();
    bool all = true;
    for (const Library library : kAllLibraries) {
      if (!LoadLibraryLocked(library, numberedNames, versions)) {
        all = false;
        break;
      }
    }
    if (!all) {
      UnloadLocked();
      return false;
    }
    state.loaded = true;
  }
  RefreshCachedLogLevel();
  return true;
}

bool LoadLibrary(Library library, bool numberedNames, const VersionSource& versions) {
  const std::lock_guard lock(bindingMutex);
  return LoadLibraryLocked(library, numberedNames, versions);
}

bool LibrariesLoaded() {
  const std::lock_guard lock(bindingMutex);
  return state.loaded;
}

bool LibraryBound(Library library) {
  const std::lock_guard lock(bindingMutex);
  return StateOf(library).bound;
}

std::string LibraryError(Library library) {
  const std::lock_guard lock(bindingMutex);
  return StateOf(library).error;
}

std::string LibraryLoadError() {
  const std::lock_guard lock(bindingMutex);
  return state.sharedError;
}

void UnloadLibraries() {
  const std::lock_guard lock(bindingMutex);
  UnloadLocked();
}

void CheckLibrariesLoaded() {
  struct Check {
    Library library;
    const char* message;
  };
  static constexpr Check kChecks[] = {{Library::kAvCodec, "LibAVCodec not loaded."},
                                      {Library::kAvFormat, "LibAVFormat not loaded."},
                                      {Library::kAvUtil, "LibAVUtil not loaded."},
                                      {Library::kSwScale, "LibSwScale not loaded."}};
  const std::lock_guard lock(bindingMutex);
  for (const Check& check : kChecks) {
    if (!StateOf(check.library).bound) throw FFMpegException(check.message);
  }
}

}  // namespace quorbel::binding
