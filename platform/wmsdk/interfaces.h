// The Windows Media reader's interfaces, as far as a parser filter uses them to read
// compressed samples: the reader, its advanced control, the profile and stream descriptions,
// the header attributes, sample buffers and the callbacks the reader calls.
#pragma once

#include "com/stream.h"
#include "com/unknown.h"

namespace quorbel::wmsdk {

using namespace quorbel::com;

enum WMT_STATUS {
  WMT_ERROR = 0,
  WMT_OPENED = 1,
  WMT_EOF = 4,
  WMT_END_OF_STREAMING = 6,
  WMT_STARTED = 11,
  WMT_STOPPED = 12,
  WMT_CLOSED = 13,
};

enum WMT_ATTR_DATATYPE {
  WMT_TYPE_DWORD = 0,
  WMT_TYPE_STRING = 1,
  WMT_TYPE_BINARY = 2,
  WMT_TYPE_BOOL = 3,
  WMT_TYPE_QWORD = 4,
  WMT_TYPE_WORD = 5,
  WMT_TYPE_GUID = 6,
};

enum WMT_STREAM_SELECTION { WMT_OFF = 0, WMT_CLEANPOINT_ONLY = 1, WMT_ON = 2 };

// Flags of a delivered sample.
inline constexpr DWORD WM_SF_CLEANPOINT = 0x1;
inline constexpr DWORD WM_SF_DISCONTINUITY = 0x2;
inline constexpr DWORD WM_SF_DATALOSS = 0x4;

inline constexpr GUID WMMEDIATYPE_Video = MakeGuid("{73646976-0000-0010-8000-00AA00389B71}");
inline constexpr GUID WMMEDIATYPE_Audio = MakeGuid("{73647561-0000-0010-8000-00AA00389B71}");
inline constexpr GUID WMFORMAT_VideoInfo = MakeGuid("{05589F80-C356-11CE-BF01-00AA0055595A}");
inline constexpr GUID WMFORMAT_WaveFormatEx = MakeGuid("{05589F81-C356-11CE-BF01-00AA0055595A}");

// The subtype of a FourCC or audio format tag: {XXXXXXXX-0000-0010-8000-00AA00389B71}.
constexpr GUID WMMediaSubtypeFromFourCC(DWORD fourCC) {
  GUID guid = MakeGuid("{00000000-0000-0010-8000-00AA00389B71}");
  guid.Data1 = fourCC;
  return guid;
}

// A stream's type, laid out as a filter graph's media type record. When the reader fills
// one, the format block follows the record in the same buffer and pbFormat points at it.
struct WM_MEDIA_TYPE {
  GUID majortype;
  GUID subtype;
  BOOL bFixedSizeSamples;
  BOOL bTemporalCompression;
  ULONG lSampleSize;
  GUID formattype;
  IUnknown* pUnk;
  ULONG cbFormat;
  BYTE* pbFormat;
};

struct INSSBuffer : IUnknown {
  static constexpr IID kIid = MakeGuid("{E1CD3524-03D7-11D2-9EED-006097D2D7CF}");
  virtual HRESULT GetLength(DWORD* length) = 0;
  virtual HRESULT SetLength(DWORD length) = 0;
  virtual HRESULT GetMaxLength(DWORD* length) = 0;
  virtual HRESULT GetBuffer(BYTE** buffer) = 0;
  virtual HRESULT GetBufferAndLength(BYTE** buffer, DWORD* length) = 0;
};

struct IWMStatusCallback : IUnknown {
  static constexpr IID kIid = MakeGuid("{6D7CDC70-9888-11D3-8EDC-00C04F6109CF}");
  virtual HRESULT OnStatus(WMT_STATUS status, HRESULT hr, WMT_ATTR_DATATYPE type, BYTE* value,
                           void* context) = 0;
};

struct IWMReaderCallback : IWMStatusCallback {
  static constexpr IID kIid = MakeGuid("{96406BD8-2B2B-11D3-B36B-00C04F6108FF}");
  // Decompressed output; this reader delivers stream samples only and never calls it.
  virtual HRESULT OnSample(DWORD output, QWORD time, QWORD duration, DWORD flags, INSSBuffer* sample,
                           void* context) = 0;
};

struct IWMReaderCallbackAdvanced : IUnknown {
  static constexpr IID kIid = MakeGuid("{96406BEB-2B2B-11D3-B36B-00C04F6108FF}");
  virtual HRESULT OnStreamSample(WORD streamNumber, QWORD time, QWORD duration, DWORD flags,
                                 INSSBuffer* sample, void* context) = 0;
  virtual HRESULT OnTime(QWORD time, void* context) = 0;
  virtual HRESULT OnStreamSelection(WORD count, WORD* streamNumbers, WMT_STREAM_SELECTION* selections,
                                    void* context) = 0;
  virtual HRESULT OnOutputPropsChanged(DWORD output, WM_MEDIA_TYPE* type, void* context) = 0;
  virtual HRESULT AllocateForStream(WORD streamNumber, DWORD size, INSSBuffer** buffer, void* context) = 0;
  virtual HRESULT AllocateForOutput(DWORD output, DWORD size, INSSBuffer** buffer, void* context) = 0;
};

struct IWMReader : IUnknown {
  static constexpr IID kIid = MakeGuid("{96406BD6-2B2B-11D3-B36B-00C04F6108FF}");
  // Plays from start (100 ns) to the end of the file (duration 0); completion is WMT_STARTED.
  virtual HRESULT Start(QWORD start, QWORD duration, float rate, void* context) = 0;
  // Completion is WMT_STOPPED.
  virtual HRESULT Stop() = 0;
  // Completion is WMT_CLOSED.
  virtual HRESULT Close() = 0;
};

struct IWMReaderAdvanced : IUnknown {
  static constexpr IID kIid = MakeGuid("{96406BEA-2B2B-11D3-B36B-00C04F6108FF}");
  virtual HRESULT SetUserProvidedClock(BOOL userClock) = 0;
  virtual HRESULT DeliverTime(QWORD time) = 0;
  virtual HRESULT SetReceiveStreamSamples(WORD streamNumber, BOOL receive) = 0;
  virtual HRESULT SetAllocateForStream(WORD streamNumber, BOOL allocate) = 0;
  virtual HRESULT GetStreamSelected(WORD streamNumber, WMT_STREAM_SELECTION* selection) = 0;
  virtual HRESULT GetMaxStreamSampleSize(WORD streamNumber, DWORD* size) = 0;
};

struct IWMReaderAdvanced2 : IWMReaderAdvanced {
  static constexpr IID kIid = MakeGuid("{AE14A945-B90C-4D0D-9127-80D665F7D73E}");
  // Opens the file read through stream; completion is WMT_OPENED with the result.
  virtual HRESULT OpenStream(IStream* stream, IWMReaderCallback* callback, void* context) = 0;
};

struct IWMStreamConfig : IUnknown {
  static constexpr IID kIid = MakeGuid("{96406BDC-2B2B-11D3-B36B-00C04F6108FF}");
  virtual HRESULT GetStreamNumber(WORD* streamNumber) = 0;
  // name null: *length receives the length with the terminator.
  virtual HRESULT GetStreamName(WCHAR* name, WORD* length) = 0;
};

struct IWMMediaProps : IUnknown {
  static constexpr IID kIid = MakeGuid("{96406BCE-2B2B-11D3-B36B-00C04F6108FF}");
  // type null: *size receives the bytes the record and its format block need.
  virtual HRESULT GetMediaType(WM_MEDIA_TYPE* type, DWORD* size) = 0;
};

struct IWMProfile : IUnknown {
  static constexpr IID kIid = MakeGuid("{96406BDB-2B2B-11D3-B36B-00C04F6108FF}");
  virtual HRESULT GetStreamCount(DWORD* count) = 0;
  virtual HRESULT GetStream(DWORD index, IWMStreamConfig** config) = 0;
};

struct IWMHeaderInfo : IUnknown {
  static constexpr IID kIid = MakeGuid("{96406BDA-2B2B-11D3-B36B-00C04F6108FF}");
  // value null: *length receives the value's size.
  virtual HRESULT GetAttributeByName(WORD* streamNumber, const WCHAR* name, WMT_ATTR_DATATYPE* type,
                                     BYTE* value, WORD* length) = 0;
};

inline constexpr IID IID_INSSBuffer = INSSBuffer::kIid;
inline constexpr IID IID_IWMStatusCallback = IWMStatusCallback::kIid;
inline constexpr IID IID_IWMReaderCallback = IWMReaderCallback::kIid;
inline constexpr IID IID_IWMReaderCallbackAdvanced = IWMReaderCallbackAdvanced::kIid;
inline constexpr IID IID_IWMReader = IWMReader::kIid;
inline constexpr IID IID_IWMReaderAdvanced = IWMReaderAdvanced::kIid;
inline constexpr IID IID_IWMReaderAdvanced2 = IWMReaderAdvanced2::kIid;
inline constexpr IID IID_IWMStreamConfig = IWMStreamConfig::kIid;
inline constexpr IID IID_IWMMediaProps = IWMMediaProps::kIid;
inline constexpr IID IID_IWMProfile = IWMProfile::kIid;
inline constexpr IID IID_IWMHeaderInfo = IWMHeaderInfo::kIid;

// A new reader. reserved must be null; rights are not checked (protected files are refused
// at open).
HRESULT WMCreateReader(IUnknown* reserved, DWORD rights, IWMReader** reader);

}  // namespace quorbel::wmsdk
