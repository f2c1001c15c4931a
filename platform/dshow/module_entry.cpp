#include "dshow/module_entry.h"

#include <new>

#include "com/servers.h"
#include "com/wide_text.h"

namespace quorbel::dshow {

HRESULT RegisterModuleServers(std::span<const CFactoryTemplate> templates, BOOL doRegister,
                              const void* addressInModule, Registry& registry) {
  const std::string modulePath = ModulePathOf(addressInModule);
  if (doRegister && modulePath.empty()) return E_FAIL;
  return registry.Update([&](RegistryKey& root) {
    for (const CFactoryTemplate& entry : templates) {
      if (entry.clsid == nullptr) continue;
      if (doRegister) {
        const std::string name = entry.name != nullptr ? WideToUtf8(entry.name) : std::string();
        AddComServer(root, ComServerEntry{*entry.clsid, name, modulePath, "Both"});
        if (entry.setup != nullptr) AddFilterEntry(root, *entry.setup);
      } else {
        RemoveComServer(root, *entry.clsid);
        if (entry.setup != nullptr) RemoveFilterEntry(root, entry.setup->clsid);
      }
    }
  });
}

HRESULT RegisterModuleServers(std::span<const CFactoryTemplate> templates, BOOL doRegister,
                              const void* addressInModule) {
  Registry registry = Registry::Default();
  return RegisterModuleServers(templates, doRegister, addressInModule, registry);
}

HRESULT GetClassObjectFromTemplates(std::span<const CFactoryTemplate> templates, REFCLSID clsid, REFIID iid,
                                    void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (iid != IID_IClassFactory && iid != IID_IUnknown) return E_NOINTERFACE;
  for (const CFactoryTemplate& entry : templates) {
    if (entry.clsid == nullptr || *entry.clsid != clsid) continue;
    auto* factory = new (std::nothrow) CClassFactory(entry.create);
    if (factory == nullptr) return E_OUTOFMEMORY;
    return factory->NonDelegatingQueryInterface(iid, object);
  }
  return CLASS_E_CLASSNOTAVAILABLE;
}

}  // namespace quorbel::dshow
