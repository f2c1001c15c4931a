#include "dshow/enumerators.h"

#include "dshow/base_filter.h"
#include "dshow/base_pin.h"

namespace quorbel::dshow {

CEnumPins::CEnumPins(CBaseFilter* filter) : CUnknown(nullptr) {
  const CAutoLock lock(*filter->Lock());
  for (int i = 0, count = filter->GetPinCount(); i < count; ++i) {
    if (CBasePin* pin = filter->GetPin(i)) pins_.emplace_back(pin);
  }
}

CEnumPins::CEnumPins(const std::vector<ComPtr<IPin>>& pins, std::size_t position)
    : CUnknown(nullptr), pins_(pins), position_(position) {}

HRESULT CEnumPins::NonDelegatingQueryInterface(REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  if (iid == IID_IEnumPins) return GetInterface(static_cast<IEnumPins*>(this), object);
  return CUnknown::NonDelegatingQueryInterface(iid, object);
}

HRESULT CEnumPins::Next(ULONG count, IPin** pins, ULONG* fetched) {
  if (pins == nullptr) return E_POINTER;
  if (fetched == nullptr && count > 1) return E_INVALIDARG;
  ULONG taken = 0;
  while (taken < count && position_ < pins_.size()) pins_[position_++].CopyTo(&pins[taken++]);
  if (fetched != nullptr) *fetched = taken;
  return taken == count ? S_OK : S_FALSE;
}

HRESULT CEnumPins::Skip(ULONG count) {
  const std::size_t left = pins_.size() - position_;
  if (count > left) {
    position_ = pins_.size();
    return S_FALSE;
  }
  position_ += count;
  return S_OK;
}

HRESULT CEnumPins::Reset() {
  position_ = 0;
  return S_OK;
}

HRESULT CEnumPins::Clone(IEnumPins** copy) {
  if (copy == nullptr) return E_POINTER;
  auto* clone = new CEnumPins(pins_, position_);
  return clone->NonDelegatingQueryInterface(IID_IEnumPins, reinterpret_cast<void**>(copy));
}

CEnumMediaTypes::CEnumMediaTypes(CBasePin* pin, int position)
    : CUnknown(nullptr), pinReference_(static_cast<IPin*>(pin)), pin_(pin), position_(position) {}

HRESULT CEnumMediaTypes::NonDelegatingQueryInterface(REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  if (iid == IID_IEnumMediaTypes) return GetInterface(static_cast<IEnumMediaTypes*>(this), object);
  return CUnknown::NonDelegatingQueryInterface(iid, object);
}

HRESULT CEnumMediaTypes::Next(ULONG count, AM_MEDIA_TYPE** types, ULONG* fetched) {
  if (types == nullptr) return E_POINTER;
  if (fetched == nullptr && count > 1) return E_INVALIDARG;
  ULONG taken = 0;
  while (taken < count) {
    CMediaType type;
    if (pin_->GetMediaType(position_, &type) != S_OK) break;
    ++position_;
    types[taken] = CreateMediaType(&type);
    if (types[taken] == nullptr) break;
    ++taken;
  }
  if (fetched != nullptr) *fetched = taken;
  return taken == count ? S_OK : S_FALSE;
}

HRESULT CEnumMediaTypes::Skip(ULONG count) {
  position_ += static_cast<int>(count);
  return S_OK;
}

HRESULT CEnumMediaTypes::Reset() {
  position_ = 0;
  return S_OK;
}

HRESULT CEnumMediaTypes::Clone(IEnumMediaTypes** copy) {
  if (copy == nullptr) return E_POINTER;
  auto* clone = new CEnumMediaTypes(pin_, position_);
  return clone->NonDelegatingQueryInterface(IID_IEnumMediaTypes, reinterpret_cast<void**>(copy));
}

}  // namespace quorbel::dshow
