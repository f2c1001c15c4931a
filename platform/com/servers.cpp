#include "com/servers.h"

#include <dlfcn.h>

#include <filesystem>
#include <map>
#include <mutex>

#include "com/class_factory.h"

namespace quorbel::com {

namespace {

constexpr const char* kServerKey = "InprocServer32";

// Handles of the modules loaded for CoCreateInstance; never closed, because objects made by a
// module may outlive any caller's view of them.
void* LoadModule(const std::string& path) {
  static std::mutex mutex;
  static std::map<std::string, void*> loaded;  // guarded by mutex
  const std::lock_guard lock(mutex);
  const auto found = loaded.find(path);
  if (found != loaded.end()) return found->second;
  void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle != nullptr) loaded.emplace(path, handle);
  return handle;
}

}  // namespace

std::string ClassKeyPath(REFCLSID clsid) {
  return "CLSID\\" + GuidToString(clsid);
}

void AddComServer(RegistryKey& root, const ComServerEntry& entry) {
  RegistryKey& classKey = root.CreateKey(ClassKeyPath(entry.clsid));
  classKey.SetValue("", entry.name);
  RegistryKey& serverKey = classKey.CreateKey(kServerKey);
  serverKey.SetValue("", entry.modulePath);
  serverKey.SetValue("ThreadingModel", entry.threadingModel);
}

void RemoveComServer(RegistryKey& root, REFCLSID clsid) {
  root.DeleteKey(ClassKeyPath(clsid));
}

std::optional<ComServerEntry> FindComServer(const RegistryKey& root, REFCLSID clsid) {
  const RegistryKey* classKey = root.FindKey(ClassKeyPath(clsid));
  if (classKey == nullptr) return std::nullopt;
  const RegistryKey* serverKey = classKey->FindKey(kServerKey);
  if (serverKey == nullptr) return std::nullopt;
  const std::string* modulePath = serverKey->FindText("");
  if (modulePath == nullptr || modulePath->empty()) return std::nullopt;
  ComServerEntry entry{clsid, {}, *modulePath, {}};
  if (const std::string* name = classKey->FindText("")) entry.name = *name;
  if (const std::string* model = serverKey->FindText("ThreadingModel")) entry.threadingModel = *model;
  return entry;
}

std::string ModulePathOf(const void* address) {
  Dl_info info{};
  if (::dladdr(address, &info) == 0 || info.dli_fname == nullptr) return {};
  std::error_code error;
  const std::filesystem::path path = std::filesystem::canonical(info.dli_fname, error);
  return error ? std::string(info.dli_fname) : path.string();
}

HRESULT CoCreateInstance(const Registry& registry, REFCLSID clsid, IUnknown* outer, REFIID iid,
                         void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  RegistryKey root;
  if (const HRESULT hr = registry.Read(root); FAILED(hr)) return hr;
  const std::optional<ComServerEntry> entry = FindComServer(root, clsid);
  if (!entry) return REGDB_E_CLASSNOTREG;
  void* module = LoadModule(entry->modulePath);
  if (module == nullptr) return CO_E_DLLNOTFOUND;
  const auto getClassObject =
      reinterpret_cast<DllGetClassObjectFunction>(::dlsym(module, "DllGetClassObject"));
  if (getClassObject == nullptr) return CO_E_ERRORINDLL;
  IClassFactory* factory = nullptr;
  HRESULT hr = getClassObject(clsid, IID_IClassFactory, reinterpret_cast<void**>(&factory));
  if (FAILED(hr)) return hr;
  if (factory == nullptr) return E_UNEXPECTED;
  hr = factory->CreateInstance(outer, iid, object);
  factory->Release();
  return hr;
}

HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, REFIID iid, void** object) {
  return CoCreateInstance(Registry::Default(), clsid, outer, iid, object);
}

}  // namespace quorbel::com
