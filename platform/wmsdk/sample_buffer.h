// An INSSBuffer with memory of its own, for samples of streams the application does not
// allocate for.
#pragma once

#include <vector>

#include "wmsdk/interfaces.h"

namespace quorbel::wmsdk {

class CNSSBuffer final : public INSSBuffer, public CUnknown {
 public:
  explicit CNSSBuffer(DWORD size);
  QUORBEL_DECLARE_IUNKNOWN
  HRESULT NonDelegatingQueryInterface(REFIID iid, void** object) override;

  HRESULT GetLength(DWORD* length) override;
  HRESULT SetLength(DWORD length) override;
  HRESULT GetMaxLength(DWORD* length) override;
  HRESULT GetBuffer(BYTE** buffer) override;
  HRESULT GetBufferAndLength(BYTE** buffer, DWORD* length) override;

 private:
  std::vector<BYTE> memory_;
  DWORD length_;
};

}  // namespace quorbel::wmsdk
