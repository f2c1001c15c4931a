#include "dshow/input_pin.h"

#include "dshow/mem_allocator.h"

namespace quorbel::dshow {

CBaseInputPin::CBaseInputPin(const WCHAR* name, CBaseFilter* filter, CCritSec* lock, HRESULT* hr)
    : CBasePin(name, filter, lock, hr, PINDIR_INPUT) {}

HRESULT CBaseInputPin::NonDelegatingQueryInterface(REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  if (iid == IID_IMemInputPin) return GetInterface(static_cast<IMemInputPin*>(this), object);
  return CBasePin::NonDelegatingQueryInterface(iid, object);
}

HRESULT CBaseInputPin::GetAllocator(IMemAllocator** allocator) {
  if (allocator == nullptr) return E_POINTER;
  const CAutoLock lock(*lock_);
  if (!allocator_) {
    auto* created = new CMemAllocator();
    created->NonDelegatingQueryInterface(IID_IMemAllocator, allocator_.ReceiveVoid());
  }
  return allocator_.CopyTo(allocator);
}

HRESULT CBaseInputPin::NotifyAllocator(IMemAllocator* allocator, BOOL readOnly) {
  if (allocator == nullptr) return E_POINTER;
  const CAutoLock lock(*lock_);
  allocator_ = ComPtr<IMemAllocator>(allocator);
  readOnly_ = readOnly != FALSE;
  return S_OK;
}

HRESULT CBaseInputPin::GetAllocatorRequirements(ALLOCATOR_PROPERTIES*) {
  return E_NOTIMPL;
}

HRESULT CBaseInputPin::Receive(IMediaSample* sample) {
  if (sample == nullptr) return E_POINTER;
  if (!IsConnected()) return VFW_E_NOT_CONNECTED;
  if (flushing_.load()) return S_FALSE;
  if (IsStopped()) return VFW_E_WRONG_STATE;
  return S_OK;
}

HRESULT CBaseInputPin::ReceiveMultiple(IMediaSample** samples, long count, long* processed) {
  if (samples == nullptr || processed == nullptr) return E_POINTER;
  HRESULT hr = S_OK;
  *processed = 0;
  while (*processed < count) {
    hr = Receive(samples[*processed]);
    if (hr != S_OK) break;
    ++*processed;
  }
  return hr;
}

HRESULT CBaseInputPin::ReceiveCanBlock() {
  return S_OK;
}

HRESULT CBaseInputPin::BeginFlush() {
  flushing_.store(true);
  return S_OK;
}

HRESULT CBaseInputPin::EndFlush() {
  flushing_.store(false);
  return S_OK;
}

HRESULT CBaseInputPin::BreakConnect() {
  const CAutoLock lock(*lock_);
  if (allocator_) {
    allocator_->Decommit();
    allocator_ = nullptr;
  }
  return S_OK;
}

HRESULT CBaseInputPin::Inactive() {
  flushing_.store(false);
  const CAutoLock lock(*lock_);
  if (!allocator_) return VFW_E_NO_ALLOCATOR;
  return allocator_->Decommit();
}

}  // namespace quorbel::dshow
