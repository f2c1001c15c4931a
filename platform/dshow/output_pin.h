// CBaseOutputPin: an output pin that pushes samples into a downstream IMemInputPin. On
// connection it agrees on an allocator (the input pin's if it fits, else a CMemAllocator),
// sized by DecideBufferSize; the allocator is committed while the filter is active.
#pragma once

#include "dshow/base_pin.h"

namespace quorbel::dshow {

class CBaseOutputPin : public CBasePin {
 public:
  CBaseOutputPin(const WCHAR* name, CBaseFilter* filter, CCritSec* lock, HRESULT* hr);

  // Sets the buffer count and size on allocator, starting from the input pin's requirements.
  virtual HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* properties) = 0;
  virtual HRESULT DecideAllocator(IMemInputPin* inputPin, IMemAllocator** allocator);
  virtual HRESULT InitAllocator(IMemAllocator** allocator);

  // A free buffer of the allocator (blocks while all are out).
  virtual HRESULT GetDeliveryBuffer(IMediaSample** sample, REFERENCE_TIME* start, REFERENCE_TIME* end,
                                    DWORD flags);
  virtual HRESULT Deliver(IMediaSample* sample);
  virtual HRESULT DeliverEndOfStream();
  virtual HRESULT DeliverBeginFlush();
  virtual HRESULT DeliverEndFlush();
  virtual HRESULT DeliverNewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate);

  HRESULT CheckConnect(IPin* pin) override;
  HRESULT CompleteConnect(IPin* receivePin) override;
  HRESULT BreakConnect() override;
  HRESULT Active() override;
  HRESULT Inactive() override;

  // Output pins receive no stream control: E_UNEXPECTED.
  HRESULT EndOfStream() override;
  HRESULT BeginFlush() override;
  HRESULT EndFlush() override;

 protected:
  // Set while connected; written under *lock_ and peerMutex_, read under either.
  ComPtr<IMemAllocator> allocator_;
  ComPtr<IMemInputPin> inputPin_;
};

}  // namespace quorbel::dshow
