// The Windows Media reader's calls into the filter, on the reader's own threads: statuses,
// the clock, buffer allocation and sample delivery. None of them takes the filter lock.
#include <new>

#include "filter/media_sample_buffer.h"
#include "filter/timing.h"
#include "filter/wmv_parser_filter.h"

namespace quorbel::wmvparser {

using namespace wmsdk;

HRESULT WmvParserFilter::OnStatus(WMT_STATUS status, HRESULT hr, WMT_ATTR_DATATYPE, BYTE*, void*) {
  const CAutoLock lock(statusLock_);
  switch (status) {
    case WMT_ERROR:
      NotifyEvent(EC_ERRORABORT, hr, 0);
      break;
    case WMT_OPENED:
      CompleteHandshake(AwaitedStatus::kOpened, hr);
      break;
    case WMT_EOF:
    case WMT_END_OF_STREAMING:
      DeliverEndOfStreamOnce();
      break;
    case WMT_STARTED: {
      const REFERENCE_TIME horizon = startPosition_.load() + kClockStep;
      deliveryHorizon_.store(horizon);
      if (IWMReaderAdvanced2* clock = readerClock_.load()) clock->DeliverTime(static_cast<QWORD>(horizon));
      break;
    }
    case WMT_STOPPED:
      CompleteHandshake(AwaitedStatus::kStopped, hr);
      break;
    case WMT_CLOSED:
      CompleteHandshake(AwaitedStatus::kClosed, hr);
      break;
    default:
      break;
  }
  return S_OK;
}

HRESULT WmvParserFilter::OnSample(DWORD, QWORD, QWORD, DWORD, INSSBuffer*, void*) {
  return S_FALSE;
}

void WmvParserFilter::DeliverEndOfStreamOnce() {
  if (endOfStreamSent_.exchange(true)) return;
  for (const ComPtr<WmvOutputPin>& pin : OutputPins()) pin->DeliverEndOfStream();
}

HRESULT WmvParserFilter::OnTime(QWORD time, void*) {
  if (endOfStreamSent_.load()) return S_FALSE;
  bool reachedStop;
  {
    const CAutoLock lock(seekLock_);
    const REFERENCE_TIME stop = stopPosition_.load();
    reachedStop = stop >= 0 && static_cast<REFERENCE_TIME>(time) >= stop;
  }
  if (reachedStop) {
    DeliverEndOfStreamOnce();
    return S_OK;
  }
  const REFERENCE_TIME horizon = deliveryHorizon_.fetch_add(kClockStep) + kClockStep;
  IWMReaderAdvanced2* clock = readerClock_.load();
  return clock != nullptr ? clock->DeliverTime(static_cast<QWORD>(horizon)) : E_UNEXPECTED;
}

HRESULT WmvParserFilter::OnStreamSelection(WORD, WORD*, WMT_STREAM_SELECTION*, void*) {
  return S_OK;
}

HRESULT WmvParserFilter::OnOutputPropsChanged(DWORD, WM_MEDIA_TYPE*, void*) {
  return S_OK;
}

HRESULT WmvParserFilter::AllocateForStream(WORD streamNumber, DWORD size, INSSBuffer** buffer, void*) {
  if (buffer == nullptr) return E_POINTER;
  *buffer = nullptr;
  const ComPtr<WmvOutputPin> pin = PinOfStream(streamNumber);
  if (!pin) return E_INVALIDARG;
  ComPtr<IMediaSample> sample;
  const HRESULT hr = pin->GetDeliveryBuffer(sample.Receive(), nullptr, nullptr, 0);
  if (FAILED(hr)) return hr;
  if (sample->GetSize() < 0 || static_cast<DWORD>(sample->GetSize()) < size) return E_FAIL;
  auto* wrapper = new (std::nothrow) MediaSampleBuffer(sample.Get());
  if (wrapper == nullptr) return E_OUTOFMEMORY;
  return wrapper->NonDelegatingQueryInterface(IID_INSSBuffer, reinterpret_cast<void**>(buffer));
}

HRESULT WmvParserFilter::AllocateForOutput(DWORD, DWORD, INSSBuffer**, void*) {
  return E_NOTIMPL;
}

HRESULT WmvParserFilter::OnStreamSample(WORD streamNumber, QWORD time, QWORD duration, DWORD flags,
                                        INSSBuffer* buffer, void*) {
  const ComPtr<WmvOutputPin> pin = PinOfStream(streamNumber);
  if (!pin) return E_INVALIDARG;
  if (buffer == nullptr) return E_POINTER;
  ComPtr<IMediaSampleOwner> owner;
  if (FAILED(buffer->QueryInterface(IID_IMediaSampleOwner, owner.ReceiveVoid())) || !owner)
    return E_NOINTERFACE;
  ComPtr<IMediaSample> sample;
  owner->DetachSample(sample.Receive());
  if (!sample) return E_INVALIDARG;

  const SampleStamp stamp = StampSample(time, duration, flags, startPosition_.load(), rate_.load(),
                                        pin->TakeFirstSample(), pin->IsAudio());
  REFERENCE_TIME start = stamp.start;
  REFERENCE_TIME end = stamp.end;
  sample->SetTime(&start, &end);
  if (stamp.preroll) sample->SetPreroll(TRUE);
  if (stamp.syncPoint) sample->SetSyncPoint(TRUE);
  if (stamp.discontinuity) sample->SetDiscontinuity(TRUE);
  const HRESULT hr = pin->Deliver(sample.Get());
  pin->SendAnyway();
  return hr;
}

}  // namespace quorbel::wmvparser
