// CBaseInputPin: an input pin that receives samples through IMemInputPin. It offers a
// CMemAllocator when the upstream pin asks, refuses samples while flushing or stopped, and
// decommits its allocator when the filter stops. A derived pin overrides Receive (calling
// this one first) and EndOfStream.
#pragma once

#include <atomic>

#include "dshow/base_pin.h"

namespace quorbel::dshow {

class CBaseInputPin : public CBasePin, public IMemInputPin {
 public:
  CBaseInputPin(const WCHAR* name, CBaseFilter* filter, CCritSec* lock, HRESULT* hr);
  QUORBEL_DECLARE_IUNKNOWN
  HRESULT NonDelegatingQueryInterface(REFIID iid, void** object) override;

  HRESULT GetAllocator(IMemAllocator** allocator) override;
  HRESULT NotifyAllocator(IMemAllocator* allocator, BOOL readOnly) override;
  HRESULT GetAllocatorRequirements(ALLOCATOR_PROPERTIES* properties) override;
  // S_OK when the pin takes samples now, S_FALSE while flushing, VFW_E_WRONG_STATE when
  // stopped, VFW_E_NOT_CONNECTED.
  HRESULT Receive(IMediaSample* sample) override;
  HRESULT ReceiveMultiple(IMediaSample** samples, long count, long* processed) override;
  HRESULT ReceiveCanBlock() override;

  HRESULT BeginFlush() override;
  HRESULT EndFlush() override;

  HRESULT BreakConnect() override;
  HRESULT Inactive() override;

  bool IsFlushing() const { return flushing_.load(); }
  bool IsReadOnly() const { return readOnly_; }

 protected:
  ComPtr<IMemAllocator> allocator_;  // guarded by *lock_
  bool readOnly_ = false;            // guarded by *lock_
  std::atomic<bool> flushing_{false};
};

}  // namespace quorbel::dshow
