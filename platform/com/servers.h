// COM server entries of the registry (CLSID\{clsid}\InprocServer32 = module path, with its
// "ThreadingModel"), and creating an object of a registered class by loading its module.
#pragma once

#include <optional>
#include <string>

#include "com/guid.h"
#include "com/registry.h"
#include "com/unknown.h"

namespace quorbel::com {

struct ComServerEntry {
  CLSID clsid;
  std::string name;
  std::string modulePath;
  std::string threadingModel;
};

// The registry key of a class: "CLSID\{...}".
std::string ClassKeyPath(REFCLSID clsid);

// Writes CLSID\{clsid} (default value: name) and its InprocServer32 key (default value:
// module path, "ThreadingModel").
void AddComServer(RegistryKey& root, const ComServerEntry& entry);
// Removes CLSID\{clsid} and everything below it.
void RemoveComServer(RegistryKey& root, REFCLSID clsid);
// The entry of clsid, or nothing when it is not registered with a module path.
std::optional<ComServerEntry> FindComServer(const RegistryKey& root, REFCLSID clsid);

// Absolute path of the loaded module (executable or shared object) that contains address.
std::string ModulePathOf(const void* address);

// Creates an object of a class registered in registry: loads its module (modules stay
// loaded for the life of the process), asks its DllGetClassObject for the class factory and
// the factory for the object. REGDB_E_CLASSNOTREG for an unknown class, CO_E_DLLNOTFOUND when
// the module does not load, CO_E_ERRORINDLL when it lacks DllGetClassObject.
HRESULT CoCreateInstance(const Registry& registry, REFCLSID clsid, IUnknown* outer, REFIID iid,
                         void** object);
// The same with the user's registry.
HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, REFIID iid, void** object);

// The exports every module of COM servers has.
using DllGetClassObjectFunction = HRESULT (*)(REFCLSID clsid, REFIID iid, void** object);
using DllRegisterServerFunction = HRESULT (*)();
using DllCanUnloadNowFunction = HRESULT (*)();

}  // namespace quorbel::com
