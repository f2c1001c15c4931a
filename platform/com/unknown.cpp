#include "com/unknown.h"

namespace quorbel::com {

namespace {
std::atomic<long> objectsActive{0};
}  // namespace

CBaseObject::CBaseObject() {
  objectsActive.fetch_add(1, std::memory_order_relaxed);
}

CBaseObject::~CBaseObject() {
  objectsActive.fetch_sub(1, std::memory_order_relaxed);
}

long CBaseObject::ObjectsActive() {
  return objectsActive.load(std::memory_order_relaxed);
}

CUnknown::CUnknown(IUnknown* outer) : owner_(outer != nullptr ? outer : &face_) {}

CUnknown::~CUnknown() = default;

HRESULT CUnknown::NonDelegatingQueryInterface(REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  if (iid == IID_IUnknown) return GetInterface(&face_, object);
  *object = nullptr;
  return E_NOINTERFACE;
}

ULONG CUnknown::NonDelegatingAddRef() {
  return references_.fetch_add(1, std::memory_order_relaxed) + 1;
}

ULONG CUnknown::NonDelegatingRelease() {
  const ULONG remaining = references_.fetch_sub(1, std::memory_order_acq_rel) - 1;
  if (remaining == 0) {
    // A reference taken and dropped again by the destructor must not delete a second time.
    references_.store(1, std::memory_order_relaxed);
    delete this;
  }
  return remaining;
}

HRESULT GetInterface(IUnknown* face, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = face;
  face->AddRef();
  return S_OK;
}

}  // namespace quorbel::com
