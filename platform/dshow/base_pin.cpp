#include "dshow/base_pin.h"

#include <cstring>
#include <utility>

#include "com/memory.h"
#include "com/wide_text.h"
#include "dshow/base_filter.h"
#include "dshow/enumerators.h"

namespace quorbel::dshow {

CBasePin::CBasePin(const WCHAR* name, CBaseFilter* filter, CCritSec* lock, HRESULT* hr,
                   PIN_DIRECTION direction)
    : CUnknown(nullptr),
      lock_(lock),
      filter_(filter),
      direction_(direction),
      name_(name != nullptr ? name : u"") {
  if (hr != nullptr && SUCCEEDED(*hr) && (filter == nullptr || lock == nullptr)) *hr = E_POINTER;
}

CBasePin::~CBasePin() = default;

HRESULT CBasePin::NonDelegatingQueryInterface(REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  if (iid == IID_IPin) return GetInterface(static_cast<IPin*>(this), object);
  return CUnknown::NonDelegatingQueryInterface(iid, object);
}

ULONG CBasePin::NonDelegatingAddRef() {
  return filter_->AddRef();
}

ULONG CBasePin::NonDelegatingRelease() {
  return filter_->Release();
}

bool CBasePin::IsConnected() const {
  const std::lock_guard lock(peerMutex_);
  return static_cast<bool>(connected_);
}

IPin* CBasePin::GetConnected() const {
  const std::lock_guard lock(peerMutex_);
  return connected_.Get();
}

ComPtr<IPin> CBasePin::ConnectedPeer() const {
  const std::lock_guard lock(peerMutex_);
  return connected_;
}

void CBasePin::SetConnected(IPin* pin) {
  ComPtr<IPin> old;
  {
    const std::lock_guard lock(peerMutex_);
    old = std::exchange(connected_, ComPtr<IPin>(pin));
  }
}

bool CBasePin::IsStopped() const {
  return filter_->IsStopped();
}

HRESULT CBasePin::Connect(IPin* receivePin, const AM_MEDIA_TYPE* type) {
  if (receivePin == nullptr) return E_POINTER;
  const CAutoLock lock(*lock_);
  if (IsConnected()) return VFW_E_ALREADY_CONNECTED;
  if (!IsStopped()) return VFW_E_NOT_STOPPED;
  const CMediaType wanted = type != nullptr ? CMediaType(*type) : CMediaType();
  return AgreeMediaType(receivePin, &wanted);
}

HRESULT CBasePin::AgreeMediaType(IPin* receivePin, const CMediaType* type) {
  if (!type->IsPartiallySpecified()) return AttemptConnection(receivePin, type);
  // The receiving pin's types first, then ours. A failure other than a refused type (for
  // example a peer that cannot open its data) is what the caller is told.
  HRESULT lastError = VFW_E_NO_ACCEPTABLE_TYPES;
  for (IPin* offering : {receivePin, static_cast<IPin*>(this)}) {
    ComPtr<IEnumMediaTypes> types;
    if (FAILED(offering->EnumMediaTypes(types.Receive())) || !types) continue;
    if (TryMediaTypes(receivePin, type, types.Get(), lastError) == S_OK) return S_OK;
  }
  return lastError;
}

HRESULT CBasePin::TryMediaTypes(IPin* receivePin, const CMediaType* partial, IEnumMediaTypes* types,
                                HRESULT& lastError) {
  AM_MEDIA_TYPE* offered = nullptr;
  ULONG fetched = 0;
  while (types->Next(1, &offered, &fetched) == S_OK && fetched == 1) {
    const CMediaType candidate(*offered);
    DeleteMediaType(offered);
    if (!candidate.MatchesPartial(*partial)) continue;
    const HRESULT hr = AttemptConnection(receivePin, &candidate);
    if (SUCCEEDED(hr)) return S_OK;
    if (hr != VFW_E_TYPE_NOT_ACCEPTED) lastError = hr;
  }
  return S_FALSE;
}

HRESULT CBasePin::AttemptConnection(IPin* receivePin, const CMediaType* type) {
  HRESULT hr = CheckConnect(receivePin);
  if (FAILED(hr)) {
    BreakConnect();
    return hr;
  }
  hr = CheckMediaType(type);
  if (hr != S_OK) {
    BreakConnect();
    return SUCCEEDED(hr) ? VFW_E_TYPE_NOT_ACCEPTED : hr;
  }
  SetConnected(receivePin);
  hr = SetMediaType(type);
  if (SUCCEEDED(hr)) {
    hr = receivePin->ReceiveConnection(this, type);
    if (SUCCEEDED(hr)) {
      hr = CompleteConnect(receivePin);
      if (SUCCEEDED(hr)) return hr;
      receivePin->Disconnect();
    }
  }
  SetConnected(nullptr);
  BreakConnect();
  return hr;
}

HRESULT CBasePin::ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* type) {
  if (connector == nullptr || type == nullptr) return E_POINTER;
  const CAutoLock lock(*lock_);
  if (IsConnected()) return VFW_E_ALREADY_CONNECTED;
  if (!IsStopped()) return VFW_E_NOT_STOPPED;
  HRESULT hr = CheckConnect(connector);
  if (FAILED(hr)) {
    BreakConnect();
    return hr;
  }
  const CMediaType offered(*type);
  hr = CheckMediaType(&offered);
  if (hr != S_OK) {
    BreakConnect();
    return SUCCEEDED(hr) ? VFW_E_TYPE_NOT_ACCEPTED : hr;
  }
  SetConnected(connector);
  hr = SetMediaType(&offered);
  if (SUCCEEDED(hr)) hr = CompleteConnect(connector);
  if (FAILED(hr)) {
    SetConnected(nullptr);
    BreakConnect();
  }
  return hr;
}

HRESULT CBasePin::Disconnect() {
  const CAutoLock lock(*lock_);
  if (!IsStopped()) return VFW_E_NOT_STOPPED;
  return DisconnectInternal();
}

HRESULT CBasePin::DisconnectInternal() {
  if (!IsConnected()) return S_FALSE;
  const HRESULT hr = BreakConnect();
  if (FAILED(hr)) return hr;
  SetConnected(nullptr);
  return S_OK;
}

HRESULT CBasePin::ConnectedTo(IPin** pin) {
  if (pin == nullptr) return E_POINTER;
  const CAutoLock lock(*lock_);
  *pin = nullptr;
  const ComPtr<IPin> peer = ConnectedPeer();
  if (!peer) return VFW_E_NOT_CONNECTED;
  return peer.CopyTo(pin);
}

HRESULT CBasePin::ConnectionMediaType(AM_MEDIA_TYPE* type) {
  if (type == nullptr) return E_POINTER;
  const CAutoLock lock(*lock_);
  if (!IsConnected()) {
    *type = AM_MEDIA_TYPE{};
    return VFW_E_NOT_CONNECTED;
  }
  return CopyMediaType(type, &mediaType_);
}

HRESULT CBasePin::QueryPinInfo(PIN_INFO* info) {
  if (info == nullptr) return E_POINTER;
  info->pFilter = filter_;
  filter_->AddRef();
  info->dir = direction_;
  CopyWide(name_, info->achName, kMaxNameLength);
  return S_OK;
}

HRESULT CBasePin::QueryDirection(PIN_DIRECTION* direction) {
  if (direction == nullptr) return E_POINTER;
  *direction = direction_;
  return S_OK;
}

HRESULT CBasePin::QueryId(WCHAR** id) {
  if (id == nullptr) return E_POINTER;
  *id = static_cast<WCHAR*>(CoTaskMemAlloc((name_.size() + 1) * sizeof(WCHAR)));
  if (*id == nullptr) return E_OUTOFMEMORY;
  CopyWide(name_, *id, name_.size() + 1);
  return S_OK;
}

HRESULT CBasePin::QueryAccept(const AM_MEDIA_TYPE* type) {
  if (type == nullptr) return E_POINTER;
  const CMediaType offered(*type);
  return CheckMediaType(&offered) == S_OK ? S_OK : S_FALSE;
}

HRESULT CBasePin::EnumMediaTypes(IEnumMediaTypes** types) {
  if (types == nullptr) return E_POINTER;
  auto* enumerator = new CEnumMediaTypes(this);
  return enumerator->NonDelegatingQueryInterface(IID_IEnumMediaTypes, reinterpret_cast<void**>(types));
}

HRESULT CBasePin::QueryInternalConnections(IPin**, ULONG*) {
  return E_NOTIMPL;
}

HRESULT CBasePin::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
  segmentStart_ = start;
  segmentStop_ = stop;
  segmentRate_ = rate;
  return S_OK;
}

HRESULT CBasePin::GetMediaType(int, CMediaType*) {
  return VFW_S_NO_MORE_ITEMS;
}

HRESULT CBasePin::SetMediaType(const CMediaType* type) {
  mediaType_ = *type;
  return S_OK;
}

HRESULT CBasePin::CheckConnect(IPin* pin) {
  PIN_DIRECTION peerDirection;
  const HRESULT hr = pin->QueryDirection(&peerDirection);
  if (FAILED(hr)) return hr;
  return peerDirection == direction_ ? VFW_E_INVALID_DIRECTION : S_OK;
}

HRESULT CBasePin::BreakConnect() {
  return S_OK;
}

HRESULT CBasePin::CompleteConnect(IPin*) {
  return S_OK;
}

HRESULT CBasePin::Active() {
  return S_OK;
}

HRESULT CBasePin::Inactive() {
  return S_OK;
}

HRESULT CBasePin::Run(REFERENCE_TIME) {
  return S_OK;
}

}  // namespace quorbel::dshow
