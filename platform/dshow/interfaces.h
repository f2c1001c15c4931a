// The interfaces of filters, pins, allocators, samples, byte readers, seeking and graph
// events. Each holds only the methods the filters built on them use.
#pragma once

#include "dshow/media_type.h"

namespace quorbel::dshow {

struct IBaseFilter;
struct IFilterGraph;
struct IEnumMediaTypes;
struct IEnumPins;

enum PIN_DIRECTION { PINDIR_INPUT = 0, PINDIR_OUTPUT = 1 };
enum FILTER_STATE { State_Stopped = 0, State_Paused = 1, State_Running = 2 };

inline constexpr int kMaxNameLength = 128;

struct PIN_INFO {
  IBaseFilter* pFilter;  // holds a reference
  PIN_DIRECTION dir;
  WCHAR achName[kMaxNameLength];
};

struct FILTER_INFO {
  WCHAR achName[kMaxNameLength];
  IFilterGraph* pGraph;  // holds a reference
};

struct ALLOCATOR_PROPERTIES {
  LONG cBuffers;
  LONG cbBuffer;
  LONG cbAlign;
  LONG cbPrefix;
};

struct IPin : IUnknown {
  static constexpr IID kIid = MakeGuid("{56A86891-0AD4-11CE-B03A-0020AF0BA770}");
  // Output pins: connect to receivePin, with type (which may be partly specified or null).
  virtual HRESULT Connect(IPin* receivePin, const AM_MEDIA_TYPE* type) = 0;
  // Input pins: accept the connection the output pin connector offers.
  virtual HRESULT ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* type) = 0;
  virtual HRESULT Disconnect() = 0;
  virtual HRESULT ConnectedTo(IPin** pin) = 0;
  virtual HRESULT ConnectionMediaType(AM_MEDIA_TYPE* type) = 0;
  virtual HRESULT QueryPinInfo(PIN_INFO* info) = 0;
  virtual HRESULT QueryDirection(PIN_DIRECTION* direction) = 0;
  // *id: a CoTaskMemAlloc copy of the pin's name.
  virtual HRESULT QueryId(WCHAR** id) = 0;
  virtual HRESULT QueryAccept(const AM_MEDIA_TYPE* type) = 0;
  virtual HRESULT EnumMediaTypes(IEnumMediaTypes** types) = 0;
  virtual HRESULT QueryInternalConnections(IPin** pins, ULONG* count) = 0;
  virtual HRESULT EndOfStream() = 0;
  virtual HRESULT BeginFlush() = 0;
  virtual HRESULT EndFlush() = 0;
  virtual HRESULT NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) = 0;
};

struct IEnumPins : IUnknown {
  static constexpr IID kIid = MakeGuid("{56A86892-0AD4-11CE-B03A-0020AF0BA770}");
  virtual HRESULT Next(ULONG count, IPin** pins, ULONG* fetched) = 0;
  virtual HRESULT Skip(ULONG count) = 0;
  virtual HRESULT Reset() = 0;
  virtual HRESULT Clone(IEnumPins** copy) = 0;
};

struct IEnumMediaTypes : IUnknown {
  static constexpr IID kIid = MakeGuid("{89C31040-846B-11CE-97D3-00AA0055595A}");
  // Each type returned is a CreateMediaType copy the caller frees with DeleteMediaType.
  virtual HRESULT Next(ULONG count, AM_MEDIA_TYPE** types, ULONG* fetched) = 0;
  virtual HRESULT Skip(ULONG count) = 0;
  virtual HRESULT Reset() = 0;
  virtual HRESULT Clone(IEnumMediaTypes** copy) = 0;
};

struct IBaseFilter : IUnknown {
  static constexpr IID kIid = MakeGuid("{56A86895-0AD4-11CE-B03A-0020AF0BA770}");
  virtual HRESULT GetClassID(CLSID* clsid) = 0;
  virtual HRESULT Stop() = 0;
  virtual HRESULT Pause() = 0;
  virtual HRESULT Run(REFERENCE_TIME start) = 0;
  virtual HRESULT GetState(DWORD timeoutMs, FILTER_STATE* state) = 0;
  virtual HRESULT EnumPins(IEnumPins** pins) = 0;
  virtual HRESULT FindPin(const WCHAR* id, IPin** pin) = 0;
  virtual HRESULT QueryFilterInfo(FILTER_INFO* info) = 0;
  // The graph does not hold a reference on the filter's side: the graph owns the filter.
  virtual HRESULT JoinFilterGraph(IFilterGraph* graph, const WCHAR* name) = 0;
};

struct IFilterGraph : IUnknown {
  static constexpr IID kIid = MakeGuid("{56A8689F-0AD4-11CE-B03A-0020AF0BA770}");
  virtual HRESULT AddFilter(IBaseFilter* filter, const WCHAR* name) = 0;
  virtual HRESULT RemoveFilter(IBaseFilter* filter) = 0;
  virtual HRESULT ConnectDirect(IPin* output, IPin* input, const AM_MEDIA_TYPE* type) = 0;
  virtual HRESULT Disconnect(IPin* pin) = 0;
};

inline constexpr long EC_COMPLETE = 0x01;
inline constexpr long EC_USERABORT = 0x02;
inline constexpr long EC_ERRORABORT = 0x03;

struct IMediaEventSink : IUnknown {
  static constexpr IID kIid = MakeGuid("{56A868A2-0AD4-11CE-B03A-0020AF0BA770}");
  virtual HRESULT Notify(long code, LONG_PTR param1, LONG_PTR param2) = 0;
};

struct IMediaSample : IUnknown {
  static constexpr IID kIid = MakeGuid("{56A8689A-0AD4-11CE-B03A-0020AF0BA770}");
  virtual HRESULT GetPointer(BYTE** buffer) = 0;
  virtual LONG GetSize() = 0;
  // S_OK with both times, VFW_S_NO_STOP_TIME with only the start, VFW_E_SAMPLE_TIME_NOT_SET.
  virtual HRESULT GetTime(REFERENCE_TIME* start, REFERENCE_TIME* end) = 0;
  // A null start clears both times; a null end sets the start only.
  virtual HRESULT SetTime(REFERENCE_TIME* start, REFERENCE_TIME* end) = 0;
  virtual HRESULT IsSyncPoint() = 0;
  virtual HRESULT SetSyncPoint(BOOL syncPoint) = 0;
  virtual HRESULT IsPreroll() = 0;
  virtual HRESULT SetPreroll(BOOL preroll) = 0;
  virtual LONG GetActualDataLength() = 0;
  virtual HRESULT SetActualDataLength(LONG length) = 0;
  virtual HRESULT IsDiscontinuity() = 0;
  virtual HRESULT SetDiscontinuity(BOOL discontinuity) = 0;
};

struct IMemAllocator : IUnknown {
  static constexpr IID kIid = MakeGuid("{56A8689C-0AD4-11CE-B03A-0020AF0BA770}");
  virtual HRESULT SetProperties(ALLOCATOR_PROPERTIES* request, ALLOCATOR_PROPERTIES* actual) = 0;
  virtual HRESULT GetProperties(ALLOCATOR_PROPERTIES* properties) = 0;
  virtual HRESULT Commit() = 0;
  // Wakes every GetBuffer that waits; the memory goes when the last sample comes back.
  virtual HRESULT Decommit() = 0;
  // Blocks while every buffer is out; VFW_E_NOT_COMMITTED when (or once) decommitted.
  virtual HRESULT GetBuffer(IMediaSample** sample, REFERENCE_TIME* start, REFERENCE_TIME* end,
                            DWORD flags) = 0;
  virtual HRESULT ReleaseBuffer(IMediaSample* sample) = 0;
};

struct IMemInputPin : IUnknown {
  static constexpr IID kIid = MakeGuid("{56A8689D-0AD4-11CE-B03A-0020AF0BA770}");
  virtual HRESULT GetAllocator(IMemAllocator** allocator) = 0;
  virtual HRESULT NotifyAllocator(IMemAllocator* allocator, BOOL readOnly) = 0;
  virtual HRESULT GetAllocatorRequirements(ALLOCATOR_PROPERTIES* properties) = 0;
  virtual HRESULT Receive(IMediaSample* sample) = 0;
  virtual HRESULT ReceiveMultiple(IMediaSample** samples, long count, long* processed) = 0;
  // S_OK when Receive may block, S_FALSE when it never does.
  virtual HRESULT ReceiveCanBlock() = 0;
};

struct IAsyncReader : IUnknown {
  static constexpr IID kIid = MakeGuid("{56A868AA-0AD4-11CE-B03A-0020AF0BA770}");
  // Reads length bytes at position: S_OK when all were read, S_FALSE when the data ended
  // first (the rest of buffer is left as it was).
  virtual HRESULT SyncRead(LONGLONG position, LONG length, BYTE* buffer) = 0;
  virtual HRESULT Length(LONGLONG* total, LONGLONG* available) = 0;
};

struct IFileSourceFilter : IUnknown {
  static constexpr IID kIid = MakeGuid("{56A868A6-0AD4-11CE-B03A-0020AF0BA770}");
  virtual HRESULT Load(const WCHAR* fileName, const AM_MEDIA_TYPE* type) = 0;
  // *fileName: a CoTaskMemAlloc copy; type (when given) receives a copy of the output type.
  virtual HRESULT GetCurFile(WCHAR** fileName, AM_MEDIA_TYPE* type) = 0;
};

inline constexpr GUID TIME_FORMAT_NONE = GUID_NULL;
inline constexpr GUID TIME_FORMAT_MEDIA_TIME = MakeGuid("{7B785574-8C82-11CF-BC0C-00AA00AC74F6}");

inline constexpr DWORD AM_SEEKING_CanSeekAbsolute = 0x1;
inline constexpr DWORD AM_SEEKING_CanSeekForwards = 0x2;
inline constexpr DWORD AM_SEEKING_CanSeekBackwards = 0x4;
inline constexpr DWORD AM_SEEKING_CanGetCurrentPos = 0x8;
inline constexpr DWORD AM_SEEKING_CanGetStopPos = 0x10;
inline constexpr DWORD AM_SEEKING_CanGetDuration = 0x20;
inline constexpr DWORD AM_SEEKING_CanPlayBackwards = 0x40;
inline constexpr DWORD AM_SEEKING_CanDoSegments = 0x80;

inline constexpr DWORD AM_SEEKING_NoPositioning = 0x0;
inline constexpr DWORD AM_SEEKING_AbsolutePositioning = 0x1;
inline constexpr DWORD AM_SEEKING_RelativePositioning = 0x2;
inline constexpr DWORD AM_SEEKING_IncrementalPositioning = 0x3;
inline constexpr DWORD AM_SEEKING_PositioningBitsMask = 0x3;
inline constexpr DWORD AM_SEEKING_SeekToKeyFrame = 0x4;
inline constexpr DWORD AM_SEEKING_ReturnTime = 0x8;
inline constexpr DWORD AM_SEEKING_Segment = 0x10;
inline constexpr DWORD AM_SEEKING_NoFlush = 0x20;

struct IMediaSeeking : IUnknown {
  static constexpr IID kIid = MakeGuid("{36B73880-C2C8-11CF-8B46-00805F6CEF60}");
  virtual HRESULT GetCapabilities(DWORD* capabilities) = 0;
  virtual HRESULT CheckCapabilities(DWORD* capabilities) = 0;
  virtual HRESULT IsFormatSupported(const GUID* format) = 0;
  virtual HRESULT QueryPreferredFormat(GUID* format) = 0;
  virtual HRESULT GetTimeFormat(GUID* format) = 0;
  virtual HRESULT IsUsingTimeFormat(const GUID* format) = 0;
  virtual HRESULT SetTimeFormat(const GUID* format) = 0;
  virtual HRESULT GetDuration(LONGLONG* duration) = 0;
  virtual HRESULT GetStopPosition(LONGLONG* stop) = 0;
  virtual HRESULT GetCurrentPosition(LONGLONG* current) = 0;
  virtual HRESULT ConvertTimeFormat(LONGLONG* target, const GUID* targetFormat, LONGLONG source,
                                    const GUID* sourceFormat) = 0;
  virtual HRESULT SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG* stop, DWORD stopFlags) = 0;
  virtual HRESULT GetPositions(LONGLONG* current, LONGLONG* stop) = 0;
  virtual HRESULT GetAvailable(LONGLONG* earliest, LONGLONG* latest) = 0;
  virtual HRESULT SetRate(double rate) = 0;
  virtual HRESULT GetRate(double* rate) = 0;
  virtual HRESULT GetPreroll(LONGLONG* preroll) = 0;
};

inline constexpr IID IID_IPin = IPin::kIid;
inline constexpr IID IID_IEnumPins = IEnumPins::kIid;
inline constexpr IID IID_IEnumMediaTypes = IEnumMediaTypes::kIid;
inline constexpr IID IID_IBaseFilter = IBaseFilter::kIid;
inline constexpr IID IID_IFilterGraph = IFilterGraph::kIid;
inline constexpr IID IID_IMediaEventSink = IMediaEventSink::kIid;
inline constexpr IID IID_IMediaSample = IMediaSample::kIid;
inline constexpr IID IID_IMemAllocator = IMemAllocator::kIid;
inline constexpr IID IID_IMemInputPin = IMemInputPin::kIid;
inline constexpr IID IID_IAsyncReader = IAsyncReader::kIid;
inline constexpr IID IID_IFileSourceFilter = IFileSourceFilter::kIid;
inline constexpr IID IID_IMediaSeeking = IMediaSeeking::kIid;

}  // namespace quorbel::dshow
