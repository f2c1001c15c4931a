#include "dshow/media_type.h"

#include <cstring>

#include "com/memory.h"

namespace quorbel::dshow {

void FreeMediaType(AM_MEDIA_TYPE& type) {
  if (type.pbFormat != nullptr) CoTaskMemFree(type.pbFormat);
  type.pbFormat = nullptr;
  type.cbFormat = 0;
  if (type.pUnk != nullptr) type.pUnk->Release();
  type.pUnk = nullptr;
}

void DeleteMediaType(AM_MEDIA_TYPE* type) {
  if (type == nullptr) return;
  FreeMediaType(*type);
  CoTaskMemFree(type);
}

HRESULT CopyMediaType(AM_MEDIA_TYPE* target, const AM_MEDIA_TYPE* source) {
  if (target == nullptr || source == nullptr) return E_POINTER;
  *target = *source;
  if (source->cbFormat != 0 && source->pbFormat != nullptr) {
    target->pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(source->cbFormat));
    if (target->pbFormat == nullptr) {
      target->cbFormat = 0;
      target->pUnk = nullptr;
      return E_OUTOFMEMORY;
    }
    std::memcpy(target->pbFormat, source->pbFormat, source->cbFormat);
  } else {
    target->pbFormat = nullptr;
    target->cbFormat = 0;
  }
  if (target->pUnk != nullptr) target->pUnk->AddRef();
  return S_OK;
}

AM_MEDIA_TYPE* CreateMediaType(const AM_MEDIA_TYPE* source) {
  auto* type = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
  if (type == nullptr) return nullptr;
  if (FAILED(CopyMediaType(type, source))) {
    CoTaskMemFree(type);
    return nullptr;
  }
  return type;
}

CMediaType::CMediaType()
    : AM_MEDIA_TYPE{GUID_NULL, GUID_NULL, TRUE, FALSE, 1, GUID_NULL, nullptr, 0, nullptr} {}

CMediaType::CMediaType(const GUID& major, const GUID& sub) : CMediaType() {
  majortype = major;
  subtype = sub;
}

CMediaType::CMediaType(const AM_MEDIA_TYPE& other) : CMediaType() {
  *this = other;
}

CMediaType::CMediaType(const CMediaType& other) : CMediaType() {
  *this = static_cast<const AM_MEDIA_TYPE&>(other);
}

CMediaType& CMediaType::operator=(const CMediaType& other) {
  return *this = static_cast<const AM_MEDIA_TYPE&>(other);
}

CMediaType& CMediaType::operator=(const AM_MEDIA_TYPE& other) {
  if (&other == this) return *this;
  FreeMediaType(*this);
  if (FAILED(CopyMediaType(this, &other))) {
    // Keeps the GUIDs; a type without its format block never matches a complete one.
    pbFormat = nullptr;
    cbFormat = 0;
  }
  return *this;
}

CMediaType::~CMediaType() {
  FreeMediaType(*this);
}

bool CMediaType::SetFormat(const BYTE* bytes, ULONG length) {
  BYTE* copy = nullptr;
  if (length != 0) {
    copy = static_cast<BYTE*>(CoTaskMemAlloc(length));
    if (copy == nullptr) return false;
    std::memcpy(copy, bytes, length);
  }
  if (pbFormat != nullptr) CoTaskMemFree(pbFormat);
  pbFormat = copy;
  cbFormat = length;
  return true;
}

bool CMediaType::MatchesExactly(const AM_MEDIA_TYPE& other) const {
  if (majortype != other.majortype || subtype != other.subtype || formattype != other.formattype)
    return false;
  if (cbFormat != other.cbFormat) return false;
  return cbFormat == 0 || std::memcmp(pbFormat, other.pbFormat, cbFormat) == 0;
}

bool CMediaType::IsPartiallySpecified() const {
  return majortype == GUID_NULL || formattype == GUID_NULL;
}

bool CMediaType::MatchesPartial(const AM_MEDIA_TYPE& partial) const {
  if (partial.majortype != GUID_NULL && partial.majortype != majortype) return false;
  if (partial.subtype != GUID_NULL && partial.subtype != subtype) return false;
  if (partial.formattype == GUID_NULL) return true;
  if (partial.formattype != formattype || partial.cbFormat != cbFormat) return false;
  return cbFormat == 0 || std::memcmp(partial.pbFormat, pbFormat, cbFormat) == 0;
}

}  // namespace quorbel::dshow
