#include "filter/wmv_output_pin.h"

#include <cstdint>
#include <utility>

#include "filter/wmv_parser_filter.h"

namespace quorbel::wmvparser {

namespace {

constexpr LONG kBufferCount = 200;
constexpr long kBatchSize = 10;
constexpr REFERENCE_TIME kNoStop = INT64_MAX;

}  // namespace

WmvOutputPin::WmvOutputPin(WmvParserFilter* filter, CCritSec* lock, const WCHAR* name, const CMediaType& type,
                           DWORD maxSampleSize, HRESULT* hr)
    : CBaseOutputPin(name, filter, lock, hr),
      parser_(filter),
      parserReference_(static_cast<IBaseFilter*>(filter)),
      streamType_(type),
      maxSampleSize_(maxSampleSize) {}

WmvOutputPin::~WmvOutputPin() = default;

HRESULT WmvOutputPin::NonDelegatingQueryInterface(REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  if (iid == IID_IMediaSeeking) return GetInterface(static_cast<IMediaSeeking*>(this), object);
  return CBaseOutputPin::NonDelegatingQueryInterface(iid, object);
}

ULONG WmvOutputPin::NonDelegatingAddRef() {
  return CUnknown::NonDelegatingAddRef();
}

ULONG WmvOutputPin::NonDelegatingRelease() {
  return CUnknown::NonDelegatingRelease();
}

std::shared_ptr<COutputQueue> WmvOutputPin::Queue() {
  const std::lock_guard lock(queueMutex_);
  return queue_;
}

HRESULT WmvOutputPin::Active() {
  newSegmentPending_.store(true);
  firstSample_.store(true);
  const ComPtr<IPin> peer = ConnectedPeer();
  if (!peer) return S_OK;
  HRESULT hr = CBaseOutputPin::Active();
  if (FAILED(hr)) return hr;
  std::shared_ptr<COutputQueue> queue;
  try {
    queue = std::make_shared<COutputQueue>(peer.Get(), &hr, false, true, kBatchSize, true, DEFAULTCACHE,
                                           THREAD_PRIORITY_NORMAL);
  } catch (const std::exception&) {
    // No memory or no thread for it.
    return E_OUTOFMEMORY;
  }
  if (FAILED(hr)) return hr;
  const std::lock_guard lock(queueMutex_);
  queue_ = std::move(queue);
  return S_OK;
}

HRESULT WmvOutputPin::Inactive() {
  const HRESULT hr = CBaseOutputPin::Inactive();
  std::shared_ptr<COutputQueue> queue;
  {
    const std::lock_guard lock(queueMutex_);
    queue.swap(queue_);
  }
  return hr;
}

HRESULT WmvOutputPin::CheckMediaType(const CMediaType* type) {
  return streamType_.MatchesExactly(*type) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT WmvOutputPin::GetMediaType(int position, CMediaType* type) {
  if (position != 0) return VFW_S_NO_MORE_ITEMS;
  *type = streamType_;
  return S_OK;
}

HRESULT WmvOutputPin::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* properties) {
  properties->cBuffers = kBufferCount;
  properties->cbBuffer = static_cast<LONG>(maxSampleSize_);
  ALLOCATOR_PROPERTIES actual{};
  return allocator->SetProperties(properties, &actual);
}

HRESULT WmvOutputPin::Deliver(IMediaSample* sample) {
  const std::shared_ptr<COutputQueue> queue = Queue();
  if (!queue) return S_FALSE;
  if (newSegmentPending_.exchange(false)) {
    sample->SetDiscontinuity(TRUE);
    const REFERENCE_TIME stop = parser_->StopPosition();
    queue->NewSegment(parser_->StartPosition(), stop < 0 ? kNoStop : stop, parser_->Rate());
  }
  sample->AddRef();
  return queue->Receive(sample);
}

void WmvOutputPin::SendAnyway() {
  if (const std::shared_ptr<COutputQueue> queue = Queue()) queue->SendAnyway();
}

HRESULT WmvOutputPin::DeliverEndOfStream() {
  if (const std::shared_ptr<COutputQueue> queue = Queue()) queue->EOS();
  return S_OK;
}

HRESULT WmvOutputPin::DeliverBeginFlush() {
  if (const std::shared_ptr<COutputQueue> queue = Queue()) queue->BeginFlush();
  return S_OK;
}

HRESULT WmvOutputPin::DeliverEndFlush() {
  if (const std::shared_ptr<COutputQueue> queue = Queue()) queue->EndFlush();
  newSegmentPending_.store(true);
  return S_OK;
}

}  // namespace quorbel::wmvparser
