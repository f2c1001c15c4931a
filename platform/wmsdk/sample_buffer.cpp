#include "wmsdk/sample_buffer.h"

namespace quorbel::wmsdk {

CNSSBuffer::CNSSBuffer(DWORD size) : CUnknown(nullptr), memory_(size), length_(size) {}

HRESULT CNSSBuffer::NonDelegatingQueryInterface(REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  if (iid == IID_INSSBuffer) return GetInterface(static_cast<INSSBuffer*>(this), object);
  return CUnknown::NonDelegatingQueryInterface(iid, object);
}

HRESULT CNSSBuffer::GetLength(DWORD* length) {
  if (length == nullptr) return E_POINTER;
  *length = length_;
  return S_OK;
}

HRESULT CNSSBuffer::SetLength(DWORD length) {
  if (length > memory_.size()) return E_INVALIDARG;
  length_ = length;
  return S_OK;
}

HRESULT CNSSBuffer::GetMaxLength(DWORD* length) {
  if (length == nullptr) return E_POINTER;
  *length = static_cast<DWORD>(memory_.size());
  return S_OK;
}

HRESULT CNSSBuffer::GetBuffer(BYTE** buffer) {
  if (buffer == nullptr) return E_POINTER;
  *buffer = memory_.data();
  return S_OK;
}

HRESULT CNSSBuffer::GetBufferAndLength(BYTE** buffer, DWORD* length) {
  if (buffer == nullptr || length == nullptr) return E_POINTER;
  *buffer = memory_.data();
  *length = length_;
  return S_OK;
}

}  // namespace quorbel::wmsdk
