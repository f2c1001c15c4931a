#include "filter/media_sample_buffer.h"

#include <cstdint>

namespace quorbel::wmvparser {

using namespace com;

MediaSampleBuffer::MediaSampleBuffer(dshow::IMediaSample* sample) : CUnknown(nullptr), sample_(sample) {
  if (sample_) sample_->SetActualDataLength(sample_->GetSize());
}

HRESULT MediaSampleBuffer::NonDelegatingQueryInterface(REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  if (iid == wmsdk::IID_INSSBuffer) return GetInterface(static_cast<wmsdk::INSSBuffer*>(this), object);
  if (iid == IID_IMediaSampleOwner) return GetInterface(static_cast<IMediaSampleOwner*>(this), object);
  return CUnknown::NonDelegatingQueryInterface(iid, object);
}

HRESULT MediaSampleBuffer::GetLength(DWORD* length) {
  if (length == nullptr) return E_POINTER;
  if (!sample_) return E_NOINTERFACE;
  *length = static_cast<DWORD>(sample_->GetActualDataLength());
  return S_OK;
}

HRESULT MediaSampleBuffer::SetLength(DWORD length) {
  if (!sample_) return E_NOINTERFACE;
  if (length > static_cast<DWORD>(INT32_MAX)) return E_INVALIDARG;
  return sample_->SetActualDataLength(static_cast<LONG>(length));
}

HRESULT MediaSampleBuffer::GetMaxLength(DWORD* length) {
  if (length == nullptr) return E_POINTER;
  if (!sample_) return E_NOINTERFACE;
  *length = static_cast<DWORD>(sample_->GetSize());
  return S_OK;
}

HRESULT MediaSampleBuffer::GetBuffer(BYTE** buffer) {
  if (buffer == nullptr) return E_POINTER;
  if (!sample_) return E_NOINTERFACE;
  return sample_->GetPointer(buffer);
}

HRESULT MediaSampleBuffer::GetBufferAndLength(BYTE** buffer, DWORD* length) {
  if (buffer == nullptr || length == nullptr) return E_POINTER;
  if (!sample_) return E_NOINTERFACE;
  const HRESULT hr = sample_->GetPointer(buffer);
  if (FAILED(hr)) return hr;
  *length = static_cast<DWORD>(sample_->GetActualDataLength());
  return S_OK;
}

HRESULT MediaSampleBuffer::DetachSample(dshow::IMediaSample** sample) {
  if (sample == nullptr) return E_POINTER;
  *sample = sample_.Detach();
  return S_OK;
}

}  // namespace quorbel::wmvparser
