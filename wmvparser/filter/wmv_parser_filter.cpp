#include "filter/wmv_parser_filter.h"

#include <cstring>
#include <new>
#include <string>

#include "filter/ids.h"
#include "filter/timing.h"

namespace quorbel::wmvparser {

using namespace wmsdk;

namespace {

// The stream's media type as the reader describes it, copied field by field with its format
// block; E_UNEXPECTED when the description does not hold together.
HRESULT ReadMediaType(IWMMediaProps* props, CMediaType& type) {
  DWORD size = 0;
  HRESULT hr = props->GetMediaType(nullptr, &size);
  if (FAILED(hr)) return hr;
  if (size < sizeof(WM_MEDIA_TYPE)) return E_UNEXPECTED;
  // Aligned for the record's pointers.
  std::vector<uint64_t> storage((size + sizeof(uint64_t) - 1) / sizeof(uint64_t));
  auto* record = reinterpret_cast<WM_MEDIA_TYPE*>(storage.data());
  hr = props->GetMediaType(record, &size);
  if (FAILED(hr)) return hr;
  const auto* begin = reinterpret_cast<const BYTE*>(storage.data());
  const BYTE* format = record->pbFormat;
  if (record->cbFormat > 0 && (format < begin + sizeof(WM_MEDIA_TYPE) || format > begin + size ||
                               record->cbFormat > begin + size - format)) {
    return E_UNEXPECTED;
  }
  type = CMediaType(record->majortype, record->subtype);
  type.bFixedSizeSamples = record->bFixedSizeSamples;
  type.bTemporalCompression = record->bTemporalCompression;
  type.lSampleSize = record->lSampleSize;
  type.formattype = record->formattype;
  if (!type.SetFormat(record->cbFormat > 0 ? format : nullptr, record->cbFormat)) return E_OUTOFMEMORY;
  return S_OK;
}

std::u16string ReadStreamName(IWMStreamConfig* config) {
  WORD length = 0;
  if (FAILED(config->GetStreamName(nullptr, &length)) || length == 0) return {};
  std::u16string name(length, u'\0');
  if (FAILED(config->GetStreamName(name.data(), &length))) return {};
  name.resize(std::char_traits<char16_t>::length(name.c_str()));
  return name;
}

}  // namespace

CUnknown* WmvParserFilter::CreateInstance(IUnknown* outer, HRESULT* hr) {
  try {
    return new WmvParserFilter(outer);
  } catch (const std::exception&) {
    if (hr != nullptr) *hr = E_OUTOFMEMORY;
    return nullptr;
  }
}

WmvParserFilter::WmvParserFilter(IUnknown* outer)
    : CBaseFilter(kWmvParserName, outer, &filterLock_, CLSID_WmvParser),
      inputPin_(std::make_unique<WmvInputPin>(this, &filterLock_, nullptr)) {}

// Output pins hold a reference on the filter and the reader holds it as its callback until
// closed, so by now the file is closed and no output pin is left.
WmvParserFilter::~WmvParserFilter() = default;

HRESULT WmvParserFilter::NonDelegatingQueryInterface(REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  if (iid == IID_IWMReaderCallback || iid == IID_IWMStatusCallback) {
    return GetInterface(static_cast<IWMReaderCallback*>(this), object);
  }
  if (iid == IID_IWMReaderCallbackAdvanced) {
    return GetInterface(static_cast<IWMReaderCallbackAdvanced*>(this), object);
  }
  return CBaseFilter::NonDelegatingQueryInterface(iid, object);
}

int WmvParserFilter::GetPinCount() {
  const std::lock_guard lock(pinsMutex_);
  return outputPinCount_ + 1;
}

CBasePin* WmvParserFilter::GetPin(int index) {
  if (index == 0) return inputPin_.get();
  const std::lock_guard lock(pinsMutex_);
  if (index < 0 || index > outputPinCount_) return nullptr;
  auto pin = streamMap_.begin();
  std::advance(pin, index - 1);
  return pin->second.Get();
}

void WmvParserFilter::SetHandshakeLimits(const HandshakeLimits& limits) {
  const CAutoLock lock(filterLock_);
  limits_ = limits;
}

std::vector<ComPtr<WmvOutputPin>> WmvParserFilter::OutputPins() const {
  const std::lock_guard lock(pinsMutex_);
  std::vector<ComPtr<WmvOutputPin>> pins;
  pins.reserve(streamMap_.size());
  for (const auto& [number, pin] : streamMap_) pins.push_back(pin);
  return pins;
}

ComPtr<WmvOutputPin> WmvParserFilter::PinOfStream(WORD streamNumber) const {
  const std::lock_guard lock(pinsMutex_);
  const auto found = streamMap_.find(streamNumber);
  return found == streamMap_.end() ? ComPtr<WmvOutputPin>() : found->second;
}

HRESULT WmvParserFilter::Handshake(AwaitedStatus awaited, uint32_t limitMs,
                                   const std::function<HRESULT()>& request) {
  {
    const CAutoLock lock(statusLock_);
    awaitedStatus_ = awaited;
    statusEvent_.Reset();
  }
  const HRESULT requested = request();
  const bool signalled = SUCCEEDED(requested) && statusEvent_.Wait(limitMs);
  const CAutoLock lock(statusLock_);
  if (!signalled && awaitedStatus_ == awaited) {
    // Nothing came: a status that comes later completes nothing.
    awaitedStatus_ = AwaitedStatus::kNone;
    return FAILED(requested) ? requested : VFW_E_TIMEOUT;
  }
  return statusResult_;
}

void WmvParserFilter::CompleteHandshake(AwaitedStatus status, HRESULT hr) {
  if (awaitedStatus_ != status) return;
  awaitedStatus_ = AwaitedStatus::kNone;
  statusResult_ = hr;
  statusEvent_.Set();
}

HRESULT WmvParserFilter::OpenFile(IAsyncReader* source) {
  const CAutoLock lock(filterLock_);
  ComPtr<AsyncReaderStream> stream(new (std::nothrow) AsyncReaderStream(source, 0));
  if (!stream) return E_OUTOFMEMORY;
  readerClock_.store(nullptr);
  reader_ = nullptr;
  fileStream_ = nullptr;
  ComPtr<IWMReader> reader;
  if (FAILED(WMCreateReader(nullptr, 0, reader.Receive())) || !reader) return E_FAIL;
  const ComPtr<IWMReaderAdvanced2> advanced = reader.As<IWMReaderAdvanced2>();
  if (!advanced) return E_NOINTERFACE;

  const HRESULT opened = Handshake(AwaitedStatus::kOpened, limits_.openMs, [&] {
    return advanced->OpenStream(stream.Get(), static_cast<IWMReaderCallback*>(this), nullptr);
  });
  if (FAILED(opened)) {
    // A reader still reading the file stops at its next read; releasing it waits for that.
    stream->Abort();
    return opened;
  }
  reader_ = reader;
  fileStream_ = stream;
  readerClock_.store(advanced.Get());
  return ReadStreams(reader.Get());
}

HRESULT WmvParserFilter::ReadStreams(IWMReader* reader) {
  const ComPtr<IWMReaderAdvanced2> advanced = ComPtr<IWMReader>(reader).As<IWMReaderAdvanced2>();
  const ComPtr<IWMProfile> profile = ComPtr<IWMReader>(reader).As<IWMProfile>();
  if (!profile || !advanced) return E_NOINTERFACE;
  DWORD count = 0;
  if (FAILED(profile->GetStreamCount(&count)) || count == 0) return E_INVALIDARG;
  {
    const std::lock_guard lock(pinsMutex_);
    outputPinCount_ = 0;
  }
  for (DWORD index = 0; index < count; ++index) {
    ComPtr<IWMStreamConfig> config;
    HRESULT hr = profile->GetStream(index, config.Receive());
    if (FAILED(hr)) return hr;
    WORD number = 0;
    hr = config->GetStreamNumber(&number);
    if (FAILED(hr)) return hr;
    WMT_STREAM_SELECTION selection = WMT_OFF;
    hr = advanced->GetStreamSelected(number, &selection);
    if (FAILED(hr)) return hr;
    if (selection == WMT_OFF) continue;
    advanced->SetReceiveStreamSamples(number, TRUE);
    advanced->SetAllocateForStream(number, TRUE);
    const std::u16string name = ReadStreamName(config.Get());
    const ComPtr<IWMMediaProps> props = config.As<IWMMediaProps>();
    if (!props) return E_NOINTERFACE;
    CMediaType type;
    hr = ReadMediaType(props.Get(), type);
    if (FAILED(hr)) return hr;
    DWORD maxSampleSize = 0;
    hr = advanced->GetMaxStreamSampleSize(number, &maxSampleSize);
    if (FAILED(hr)) return hr;
    hr = S_OK;
    ComPtr<WmvOutputPin> pin(new (std::nothrow)
                                 WmvOutputPin(this, &filterLock_, name.c_str(), type, maxSampleSize, &hr));
    if (!pin) return E_OUTOFMEMORY;
    if (FAILED(hr)) return hr;
    const std::lock_guard lock(pinsMutex_);
    streamMap_[number] = std::move(pin);
    outputPinCount_ = static_cast<int>(streamMap_.size());
  }
  advanced->SetUserProvidedClock(TRUE);

  duration_.store(0);
  if (const ComPtr<IWMHeaderInfo> header = ComPtr<IWMReader>(reader).As<IWMHeaderInfo>()) {
    WORD streamZero = 0;
    WMT_ATTR_DATATYPE type = WMT_TYPE_QWORD;
    WORD length = 0;
    QWORD duration = 0;
    if (SUCCEEDED(header->GetAttributeByName(&streamZero, u"Duration", &type, nullptr, &length)) &&
        length == sizeof duration &&
        SUCCEEDED(header->GetAttributeByName(&streamZero, u"Duration", &type,
                                             reinterpret_cast<BYTE*>(&duration), &length))) {
      const CAutoLock seek(seekLock_);
      duration_.store(static_cast<REFERENCE_TIME>(duration));
    }
  }
  return S_OK;
}

void WmvParserFilter::CloseFile() {
  const CAutoLock lock(filterLock_);
  if (reader_) {
    const HRESULT closed =
        Handshake(AwaitedStatus::kClosed, limits_.closeMs, [&] { return reader_->Close(); });
    if (closed == VFW_E_TIMEOUT) fileStream_->Abort();
    readerClock_.store(nullptr);
    // Joins the reader's threads: no callback runs after this.
    reader_ = nullptr;
    fileStream_ = nullptr;
  }
  RemoveOutputPins();
}

void WmvParserFilter::RemoveOutputPins() {
  const std::vector<ComPtr<WmvOutputPin>> pins = OutputPins();
  for (const ComPtr<WmvOutputPin>& pin : pins) {
    pin->MarkRemoved();
    ReleaseSeekingRole(pin.Get());
    if (const ComPtr<IPin> peer = pin->ConnectedPeer()) {
      pin->Disconnect();
      peer->Disconnect();
    }
  }
  const std::lock_guard lock(pinsMutex_);
  streamMap_.clear();
  outputPinCount_ = 0;
}

HRESULT WmvParserFilter::StartReader() {
  if (!reader_) return VFW_E_NOT_CONNECTED;
  return reader_->Start(static_cast<QWORD>(startPosition_.load()), 0, ReaderRate(rate_.load()), nullptr);
}

HRESULT WmvParserFilter::StopReader() {
  if (!reader_) return S_OK;
  return Handshake(AwaitedStatus::kStopped, limits_.stopMs, [&] { return reader_->Stop(); });
}

HRESULT WmvParserFilter::Pause() {
  const CAutoLock lock(filterLock_);
  const bool wasStopped = IsStopped();
  // Starting needs an open file; without one the filter stays stopped.
  if (wasStopped && !reader_) return VFW_E_NOT_CONNECTED;
  endOfStreamSent_.store(false);
  const HRESULT hr = CBaseFilter::Pause();
  if (FAILED(hr) || !wasStopped) return hr;
  return StartReader();
}

HRESULT WmvParserFilter::Stop() {
  const CAutoLock lock(filterLock_);
  if (!IsStopped()) StopReader();
  return CBaseFilter::Stop();
}

}  // namespace quorbel::wmvparser
