// The process-wide binding of the media libraries.
//
// The libraries are linked, so binding one means checking that the copy the process runs with
// has the major version the engine was built against (an ABI change otherwise breaks every
// structure the engine touches). The state is process-wide: one successful load lasts for the
// rest of the process; a failed load leaves every library unbound and may be retried.
#pragma once

#include <array>
#include <functional>
#include <string>

namespace quorbel::binding {

// In load order. The first four are the ones the loaded check asks for.
enum class Library { kAvCodec, kAvFormat, kAvUtil, kSwScale, kSwResample };
inline constexpr std::array<Library, 5> kAllLibraries = {
    Library::kAvCodec, Library::kAvFormat, Library::kAvUtil, Library::kSwScale, Library::kSwResample};

// Where run-time versions come from, in AV_VERSION_INT form (major << 16 | minor << 8 | micro).
// Tests give their own; everything else uses RunTimeVersion.
using VersionSource = std::function<unsigned(Library)>;

// The version of the library the process runs with (avcodec_version() ...).
unsigned RunTimeVersion(Library library);
// The version the engine was built against (LIBAVCODEC_VERSION_INT ...).
unsigned BuildVersion(Library library);
// "libavcodec.so.59" in the numbered form, "libavcodec.so" in the plain one.
std::string LibraryFileName(Library library, bool numberedNames);

// Binds every library in load order, stopping at the first failure. Returns true at once when
// already loaded. On success the cached log level is re-read from the libraries; on failure
// LibraryLoadError() holds the failing library's text and every library is unbound again.
bool LoadLibraries(bool numberedNames);
bool LoadLibraries(bool numberedNames, const VersionSource& versions);

// Binds one library. On failure its text, "Load libraray %s error: %s", becomes both its own
// error text and the shared one.
bool LoadLibrary(Library library, bool numberedNames, const VersionSource& versions);

bool LibrariesLoaded();
bool LibraryBound(Library library);
// Text of the library's last load failure.
std::string LibraryError(Library library);
// Text of the failure that made the last load fail; empty after a successful load.
std::string LibraryLoadError();

// Unbinds every library and clears the loaded flag.
void UnloadLibraries();

// Throws FFMpegException "LibAVCodec not loaded." (then LibAVFormat, LibAVUtil, LibSwScale, in
// this order) for the first of the four libraries that is not bound.
void CheckLibrariesLoaded();

}  // namespace quorbel::binding
