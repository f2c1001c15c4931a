// CBasePin: connection, media type negotiation and state of a pin. The pin shares its
// filter's lock and its reference count: a reference on a pin is a reference on the filter.
#pragma once

#include <mutex>
#include <string>

#include "com/com_ptr.h"
#include "dshow/interfaces.h"
#include "dshow/sync.h"

namespace quorbel::dshow {

class CBaseFilter;

class CBasePin : public CUnknown, public IPin {
 public:
  CBasePin(const WCHAR* name, CBaseFilter* filter, CCritSec* lock, HRESULT* hr, PIN_DIRECTION direction);
  ~CBasePin() override;
  QUORBEL_DECLARE_IUNKNOWN

  HRESULT NonDelegatingQueryInterface(REFIID iid, void** object) override;
  // Count on the filter.
  ULONG NonDelegatingAddRef() override;
  ULONG NonDelegatingRelease() override;

  HRESULT Connect(IPin* receivePin, const AM_MEDIA_TYPE* type) override;
  HRESULT ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* type) override;
  HRESULT Disconnect() override;
  HRESULT ConnectedTo(IPin** pin) override;
  HRESULT ConnectionMediaType(AM_MEDIA_TYPE* type) override;
  HRESULT QueryPinInfo(PIN_INFO* info) override;
  HRESULT QueryDirection(PIN_DIRECTION* direction) override;
  HRESULT QueryId(WCHAR** id) override;
  HRESULT QueryAccept(const AM_MEDIA_TYPE* type) override;
  HRESULT EnumMediaTypes(IEnumMediaTypes** types) override;
  HRESULT QueryInternalConnections(IPin** pins, ULONG* count) override;
  // Records the segment.
  HRESULT NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;

  // What a pin decides for itself.
  // S_OK when the pin can take type; anything else refuses it.
  virtual HRESULT CheckMediaType(const CMediaType* type) = 0;
  // The type at position for negotiation; VFW_S_NO_MORE_ITEMS past the last. Default: none.
  virtual HRESULT GetMediaType(int position, CMediaType* type);
  virtual HRESULT SetMediaType(const CMediaType* type);
  // Before a connection: the peer's direction must differ from ours.
  virtual HRESULT CheckConnect(IPin* pin);
  // After a failed attempt or on disconnection: undoes CheckConnect and CompleteConnect.
  virtual HRESULT BreakConnect();
  virtual HRESULT CompleteConnect(IPin* receivePin);
  // State changes of the filter (called for connected pins only).
  virtual HRESULT Active();
  virtual HRESULT Inactive();
  virtual HRESULT Run(REFERENCE_TIME start);

  bool IsConnected() const;
  // The peer, without a reference; null when not connected.
  IPin* GetConnected() const;
  // The peer with a reference, for streaming threads (takes no filter lock).
  ComPtr<IPin> ConnectedPeer() const;
  bool IsStopped() const;
  const CMediaType& CurrentMediaType() const { return mediaType_; }
  const std::u16string& Name() const { return name_; }
  CBaseFilter* Filter() const { return filter_; }

 protected:
  HRESULT DisconnectInternal();
  void SetConnected(IPin* pin);

  CCritSec* const lock_;
  CBaseFilter* const filter_;
  const PIN_DIRECTION direction_;
  std::u16string name_;
  // Streaming threads read the peer pointers under peerMutex_ alone, so that they never wait
  // for the filter lock that a state change may hold while it waits for them.
  mutable std::mutex peerMutex_;
  ComPtr<IPin> connected_;  // written under *lock_ and peerMutex_
  CMediaType mediaType_;    // guarded by *lock_
  // The last NewSegment; written by the streaming thread that delivers it.
  REFERENCE_TIME segmentStart_ = 0;
  REFERENCE_TIME segmentStop_ = 0;
  double segmentRate_ = 1.0;

 private:
  HRESULT AgreeMediaType(IPin* receivePin, const CMediaType* type);
  HRESULT TryMediaTypes(IPin* receivePin, const CMediaType* partial, IEnumMediaTypes* types,
                        HRESULT& lastError);
  HRESULT AttemptConnection(IPin* receivePin, const CMediaType* type);
};

}  // namespace quorbel::dshow
