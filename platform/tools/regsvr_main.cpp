// quorbel-regsvr [-u] MODULE.so: loads a module and calls its DllRegisterServer (or, with -u,
// DllUnregisterServer), which records its classes and filters in the user's registry.
#include <dlfcn.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "com/hresult.h"
#include "com/registry.h"
#include "com/servers.h"

namespace {

enum ExitCode { kOk = 0, kUsage = 2, kLoadFailed = 3, kNoExport = 4, kCallFailed = 5 };

const char* Describe(quorbel::com::HRESULT hr) {
  using namespace quorbel::com;
  switch (hr) {
    case REGDB_E_READREGDB:
      return "the registry file could not be read or is damaged";
    case REGDB_E_WRITEREGDB:
      return "the registry file could not be written";
    case E_INVALIDARG:
      return "the module's registration data is invalid";
    case E_OUTOFMEMORY:
      return "out of memory";
    default:
      return "the module reported a failure";
  }
}

}  // namespace

int main(int argc, char** argv) {
  bool unregister = false;
  const char* module = nullptr;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "-u") == 0 && !unregister) {
      unregister = true;
    } else if (module == nullptr && argv[i][0] != '-') {
      module = argv[i];
    } else {
      module = nullptr;
      break;
    }
  }
  if (module == nullptr) {
    std::fprintf(stderr, "usage: quorbel-regsvr [-u] MODULE.so\n");
    return kUsage;
  }
  // A bare file name means the file in this folder, not a search of the library path.
  std::string path = module;
  if (path.find('/') == std::string::npos) path = "./" + path;

  void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    std::fprintf(stderr, "quorbel-regsvr: cannot load %s: %s\n", module, ::dlerror());
    return kLoadFailed;
  }
  const char* exportName = unregister ? "DllUnregisterServer" : "DllRegisterServer";
  const auto entry = reinterpret_cast<quorbel::com::DllRegisterServerFunction>(::dlsym(handle, exportName));
  if (entry == nullptr) {
    std::fprintf(stderr, "quorbel-regsvr: %s does not export %s\n", module, exportName);
    ::dlclose(handle);
    return kNoExport;
  }
  const quorbel::com::HRESULT hr = entry();
  const std::string registry = quorbel::com::Registry::DefaultPath().string();
  ::dlclose(handle);
  if (quorbel::com::FAILED(hr)) {
    std::fprintf(stderr, "quorbel-regsvr: %s in %s failed: %s (%s; registry %s)\n", exportName, module,
                 quorbel::com::HresultToString(hr).c_str(), Describe(hr), registry.c_str());
    return kCallFailed;
  }
  std::printf("%s in %s succeeded (registry %s)\n", exportName, module, registry.c_str());
  return kOk;
}
