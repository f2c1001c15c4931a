// Enumerators of a filter's pins (a snapshot taken when the enumerator is made) and of a
// pin's media types (asked from the pin at each step).
#pragma once

#include <vector>

#include "com/com_ptr.h"
#include "dshow/interfaces.h"

namespace quorbel::dshow {

class CBaseFilter;
class CBasePin;

class CEnumPins final : public IEnumPins, public CUnknown {
 public:
  explicit CEnumPins(CBaseFilter* filter);
  QUORBEL_DECLARE_IUNKNOWN
  HRESULT NonDelegatingQueryInterface(REFIID iid, void** object) override;

  HRESULT Next(ULONG count, IPin** pins, ULONG* fetched) override;
  HRESULT Skip(ULONG count) override;
  HRESULT Reset() override;
  HRESULT Clone(IEnumPins** copy) override;

 private:
  CEnumPins(const std::vector<ComPtr<IPin>>& pins, std::size_t position);

  std::vector<ComPtr<IPin>> pins_;
  std::size_t position_ = 0;
};

class CEnumMediaTypes final : public IEnumMediaTypes, public CUnknown {
 public:
  explicit CEnumMediaTypes(CBasePin* pin, int position = 0);
  QUORBEL_DECLARE_IUNKNOWN
  HRESULT NonDelegatingQueryInterface(REFIID iid, void** object) override;

  HRESULT Next(ULONG count, AM_MEDIA_TYPE** types, ULONG* fetched) override;
  HRESULT Skip(ULONG count) override;
  HRESULT Reset() override;
  HRESULT Clone(IEnumMediaTypes** copy) override;

 private:
  ComPtr<IPin> pinReference_;  // keeps the pin (and its filter) alive
  CBasePin* const pin_;
  int position_;
};

}  // namespace quorbel::dshow
