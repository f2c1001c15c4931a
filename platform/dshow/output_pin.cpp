#include "dshow/output_pin.h"

#include <utility>

#include "dshow/mem_allocator.h"

namespace quorbel::dshow {

CBaseOutputPin::CBaseOutputPin(const WCHAR* name, CBaseFilter* filter, CCritSec* lock, HRESULT* hr)
    : CBasePin(name, filter, lock, hr, PINDIR_OUTPUT) {}

HRESULT CBaseOutputPin::CheckConnect(IPin* pin) {
  const HRESULT hr = CBasePin::CheckConnect(pin);
  if (FAILED(hr)) return hr;
  ComPtr<IMemInputPin> inputPin;
  if (FAILED(pin->QueryInterface(IID_IMemInputPin, inputPin.ReceiveVoid()))) return E_NOINTERFACE;
  const std::lock_guard lock(peerMutex_);
  inputPin_ = std::move(inputPin);
  return S_OK;
}

HRESULT CBaseOutputPin::CompleteConnect(IPin*) {
  ComPtr<IMemAllocator> allocator;
  const HRESULT hr = DecideAllocator(inputPin_.Get(), allocator.Receive());
  if (FAILED(hr)) return hr;
  const std::lock_guard lock(peerMutex_);
  allocator_ = std::move(allocator);
  return S_OK;
}

HRESULT CBaseOutputPin::BreakConnect() {
  ComPtr<IMemAllocator> allocator;
  ComPtr<IMemInputPin> inputPin;
  {
    const std::lock_guard lock(peerMutex_);
    allocator.Swap(allocator_);
    inputPin.Swap(inputPin_);
  }
  if (allocator) allocator->Decommit();
  return S_OK;
}

HRESULT CBaseOutputPin::DecideAllocator(IMemInputPin* inputPin, IMemAllocator** allocator) {
  *allocator = nullptr;
  ALLOCATOR_PROPERTIES properties{0, 0, 0, 0};
  inputPin->GetAllocatorRequirements(&properties);
  if (properties.cbAlign == 0) properties.cbAlign = 1;

  HRESULT hr = inputPin->GetAllocator(allocator);
  if (SUCCEEDED(hr)) {
    hr = DecideBufferSize(*allocator, &properties);
    if (SUCCEEDED(hr)) hr = inputPin->NotifyAllocator(*allocator, FALSE);
    if (SUCCEEDED(hr)) return S_OK;
    (*allocator)->Release();
    *allocator = nullptr;
  }
  hr = InitAllocator(allocator);
  if (FAILED(hr)) return hr;
  hr = DecideBufferSize(*allocator, &properties);
  if (SUCCEEDED(hr)) hr = inputPin->NotifyAllocator(*allocator, FALSE);
  if (SUCCEEDED(hr)) return S_OK;
  (*allocator)->Release();
  *allocator = nullptr;
  return hr;
}

HRESULT CBaseOutputPin::InitAllocator(IMemAllocator** allocator) {
  auto* created = new CMemAllocator();
  return created->NonDelegatingQueryInterface(IID_IMemAllocator, reinterpret_cast<void**>(allocator));
}

HRESULT CBaseOutputPin::GetDeliveryBuffer(IMediaSample** sample, REFERENCE_TIME* start, REFERENCE_TIME* end,
                                          DWORD flags) {
  ComPtr<IMemAllocator> allocator;
  {
    const std::lock_guard lock(peerMutex_);
    allocator = allocator_;
  }
  // The wait happens outside every lock, so a state change can decommit and wake it.
  if (!allocator) return VFW_E_NO_ALLOCATOR;
  return allocator->GetBuffer(sample, start, end, flags);
}

HRESULT CBaseOutputPin::Deliver(IMediaSample* sample) {
  ComPtr<IMemInputPin> inputPin;
  {
    const std::lock_guard lock(peerMutex_);
    inputPin = inputPin_;
  }
  if (!inputPin) return VFW_E_NOT_CONNECTED;
  return inputPin->Receive(sample);
}

HRESULT CBaseOutputPin::DeliverEndOfStream() {
  const ComPtr<IPin> peer = ConnectedPeer();
  return peer ? peer->EndOfStream() : VFW_E_NOT_CONNECTED;
}

HRESULT CBaseOutputPin::DeliverBeginFlush() {
  const ComPtr<IPin> peer = ConnectedPeer();
  return peer ? peer->BeginFlush() : VFW_E_NOT_CONNECTED;
}

HRESULT CBaseOutputPin::DeliverEndFlush() {
  const ComPtr<IPin> peer = ConnectedPeer();
  return peer ? peer->EndFlush() : VFW_E_NOT_CONNECTED;
}

HRESULT CBaseOutputPin::DeliverNewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
  const ComPtr<IPin> peer = ConnectedPeer();
  return peer ? peer->NewSegment(start, stop, rate) : VFW_E_NOT_CONNECTED;
}

HRESULT CBaseOutputPin::Active() {
  const CAutoLock lock(*lock_);
  if (!allocator_) return VFW_E_NO_ALLOCATOR;
  return allocator_->Commit();
}

HRESULT CBaseOutputPin::Inactive() {
  const CAutoLock lock(*lock_);
  if (!allocator_) return VFW_E_NO_ALLOCATOR;
  return allocator_->Decommit();
}

HRESULT CBaseOutputPin::EndOfStream() {
  return E_UNEXPECTED;
}

HRESULT CBaseOutputPin::BeginFlush() {
  return E_UNEXPECTED;
}

HRESULT CBaseOutputPin::EndFlush() {
  return E_UNEXPECTED;
}

}  // namespace quorbel::dshow
