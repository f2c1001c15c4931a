// What a module of filters exports, done from its table of classes: DllGetClassObject hands
// out a class factory per entry, DllRegisterServer / DllUnregisterServer record or remove
// the COM servers and filters of all entries, DllCanUnloadNow answers from the module's
// object and lock counts (com::CanUnloadModule).
//
//   const CFactoryTemplate kTemplates[] = {{kSetup.name, &kSetup.clsid, CreateFilter, &kSetup}};
//   extern "C" HRESULT DllRegisterServer() {
//     return RegisterModuleServers(kTemplates, TRUE, reinterpret_cast<const void*>(&DllRegisterServer));
//   }
#pragma once

#include <span>

#include "com/class_factory.h"
#include "com/registry.h"
#include "dshow/filter_mapper.h"

namespace quorbel::dshow {

struct CFactoryTemplate {
  const WCHAR* name;
  const CLSID* clsid;
  CreateInstanceFunction create;
  const FilterSetup* setup;  // null for a class that is not a filter
};

// Registers (doRegister TRUE) or removes every entry: CLSID\{clsid} with InprocServer32 = the
// path of the module that contains addressInModule and "ThreadingModel" = "Both", and the
// filter record of each entry that has one. One atomic registry update.
HRESULT RegisterModuleServers(std::span<const CFactoryTemplate> templates, BOOL doRegister,
                              const void* addressInModule, Registry& registry);
// The same with the user's registry.
HRESULT RegisterModuleServers(std::span<const CFactoryTemplate> templates, BOOL doRegister,
                              const void* addressInModule);

// The class factory of clsid's entry: E_NOINTERFACE unless iid is IClassFactory or IUnknown,
// CLASS_E_CLASSNOTAVAILABLE for a class the table lacks.
HRESULT GetClassObjectFromTemplates(std::span<const CFactoryTemplate> templates, REFCLSID clsid, REFIID iid,
                                    void** object);

}  // namespace quorbel::dshow
