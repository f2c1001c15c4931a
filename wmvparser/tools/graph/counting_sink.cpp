#include "counting_sink.h"

namespace quorbel::graphtool {

CountingInputPin::CountingInputPin(CountingSink* sink, CCritSec* lock, const CMediaType& accepted)
    : CBaseInputPin(u"In", sink, lock, nullptr), sink_(sink), accepted_(accepted) {}

HRESULT CountingInputPin::CheckMediaType(const CMediaType* type) {
  return accepted_.MatchesExactly(*type) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT CountingInputPin::Receive(IMediaSample* sample) {
  const HRESULT hr = CBaseInputPin::Receive(sample);
  if (hr != S_OK) return hr;
  REFERENCE_TIME start = 0;
  REFERENCE_TIME end = 0;
  const bool timed = SUCCEEDED(sample->GetTime(&start, &end));
  const std::lock_guard lock(countsMutex_);
  ++counts_.samples;
  counts_.bytes += sample->GetActualDataLength();
  if (timed) {
    if (!counts_.firstStart) counts_.firstStart = start;
    counts_.lastStart = start;
  }
  counts_.syncPoints += sample->IsSyncPoint() == S_OK ? 1 : 0;
  counts_.discontinuities += sample->IsDiscontinuity() == S_OK ? 1 : 0;
  counts_.preroll += sample->IsPreroll() == S_OK ? 1 : 0;
  return S_OK;
}

HRESULT CountingInputPin::EndOfStream() {
  {
    const std::lock_guard lock(countsMutex_);
    ++counts_.endOfStreams;
  }
  return sink_->NotifyEvent(EC_COMPLETE, S_OK, 0);
}

SampleCounts CountingInputPin::Counts() {
  const std::lock_guard lock(countsMutex_);
  return counts_;
}

CountingSink::CountingSink(const CMediaType& accepted)
    : CBaseFilter(u"Counting Sink", nullptr, &filterLock_, GUID_NULL), pin_(this, &filterLock_, accepted) {}

}  // namespace quorbel::graphtool
