// Media types: major type, subtype, format type and a format block that describes a
// connection's data, and the GUIDs that name them.
#pragma once

#include "com/guid.h"
#include "com/hresult.h"
#include "com/unknown.h"

namespace quorbel::dshow {

using namespace quorbel::com;

// Times in 100-nanosecond units.
using REFERENCE_TIME = int64_t;

inline constexpr GUID MEDIATYPE_Stream = MakeGuid("{E436EB83-524F-11CE-9F53-0020AF0BA770}");
inline constexpr GUID MEDIATYPE_Video = MakeGuid("{73646976-0000-0010-8000-00AA00389B71}");
inline constexpr GUID MEDIATYPE_Audio = MakeGuid("{73647561-0000-0010-8000-00AA00389B71}");
inline constexpr GUID MEDIASUBTYPE_NULL = GUID_NULL;
inline constexpr GUID MEDIASUBTYPE_Asf = MakeGuid("{6B6D0801-9ADA-11D0-A520-00A0D10129C0}");
inline constexpr GUID FORMAT_None = MakeGuid("{0F6417D6-C318-11D0-A43F-00A0C9223196}");
inline constexpr GUID FORMAT_VideoInfo = MakeGuid("{05589F80-C356-11CE-BF01-00AA0055595A}");
inline constexpr GUID FORMAT_WaveFormatEx = MakeGuid("{05589F81-C356-11CE-BF01-00AA0055595A}");

// The subtype of a FourCC or audio format tag: {XXXXXXXX-0000-0010-8000-00AA00389B71}.
constexpr GUID MediaSubtypeFromFourCC(DWORD fourCC) {
  GUID guid = MakeGuid("{00000000-0000-0010-8000-00AA00389B71}");
  guid.Data1 = fourCC;
  return guid;
}

struct AM_MEDIA_TYPE {
  GUID majortype;
  GUID subtype;
  BOOL bFixedSizeSamples;
  BOOL bTemporalCompression;
  ULONG lSampleSize;
  GUID formattype;
  IUnknown* pUnk;
  ULONG cbFormat;
  BYTE* pbFormat;  // CoTaskMemAlloc memory
};

// Releases the format block (and pUnk) of a record and empties it.
void FreeMediaType(AM_MEDIA_TYPE& type);
// Frees a record made by CreateMediaType, with its format block.
void DeleteMediaType(AM_MEDIA_TYPE* type);
// Deep copy into target (whose old content is not freed). E_OUTOFMEMORY leaves target empty.
HRESULT CopyMediaType(AM_MEDIA_TYPE* target, const AM_MEDIA_TYPE* source);
// A CoTaskMemAlloc copy of source, or null.
AM_MEDIA_TYPE* CreateMediaType(const AM_MEDIA_TYPE* source);

// A media type record that owns its format block.
class CMediaType : public AM_MEDIA_TYPE {
 public:
  CMediaType();
  CMediaType(const GUID& major, const GUID& sub);
  explicit CMediaType(const AM_MEDIA_TYPE& other);
  CMediaType(const CMediaType& other);
  CMediaType& operator=(const CMediaType& other);
  CMediaType& operator=(const AM_MEDIA_TYPE& other);
  ~CMediaType();

  // Replaces the format block with a copy of bytes.
  bool SetFormat(const BYTE* bytes, ULONG length);
  // True when major type, subtype, format type and format block are all equal.
  bool MatchesExactly(const AM_MEDIA_TYPE& other) const;
  // True when the major type or the format type is GUID_NULL (a wildcard); a null subtype is
  // a subtype of its own.
  bool IsPartiallySpecified() const;
  // True when this type agrees with the partly specified partial (its GUID_NULL parts match
  // anything).
  bool MatchesPartial(const AM_MEDIA_TYPE& partial) const;
};

}  // namespace quorbel::dshow
