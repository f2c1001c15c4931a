#include "com/class_factory.h"

#include <atomic>

namespace quorbel::com {

namespace {
std::atomic<long> serverLocks{0};
}  // namespace

CClassFactory::CClassFactory(CreateInstanceFunction create) : CUnknown(nullptr), create_(create) {}

HRESULT CClassFactory::NonDelegatingQueryInterface(REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  if (iid == IID_IClassFactory) return GetInterface(static_cast<IClassFactory*>(this), object);
  return CUnknown::NonDelegatingQueryInterface(iid, object);
}

HRESULT CClassFactory::CreateInstance(IUnknown* outer, REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  // An aggregated object can only be handed out as its non-delegating IUnknown.
  if (outer != nullptr && iid != IID_IUnknown) return E_NOINTERFACE;
  HRESULT hr = S_OK;
  CUnknown* created = create_(outer, &hr);
  if (created == nullptr) return FAILED(hr) ? hr : E_OUTOFMEMORY;
  // Hold a reference across the query so a failed query frees the object.
  created->NonDelegatingAddRef();
  if (SUCCEEDED(hr)) hr = created->NonDelegatingQueryInterface(iid, object);
  created->NonDelegatingRelease();
  return hr;
}

HRESULT CClassFactory::LockServer(BOOL lock) {
  if (lock) {
    serverLocks.fetch_add(1, std::memory_order_relaxed);
  } else {
    serverLocks.fetch_sub(1, std::memory_order_relaxed);
  }
  return S_OK;
}

long CClassFactory::Locks() {
  return serverLocks.load(std::memory_order_relaxed);
}

HRESULT CanUnloadModule() {
  return CBaseObject::ObjectsActive() == 0 && CClassFactory::Locks() == 0 ? S_OK : S_FALSE;
}

}  // namespace quorbel::com
