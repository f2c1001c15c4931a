#include "recording_sink.h"

namespace quorbel::testing {

uint64_t HashBytes(const BYTE* data, std::size_t size) {
  uint64_t hash = 14695981039346656037ull;  // FNV-1a
  for (std::size_t i = 0; i < size; ++i) hash = (hash ^ data[i]) * 1099511628211ull;
  return hash;
}

RecordingPin::RecordingPin(RecordingSink* sink, CCritSec* lock, const CMediaType& accepted)
    : CBaseInputPin(u"In", sink, lock, nullptr), sink_(sink), accepted_(accepted) {}

HRESULT RecordingPin::CheckMediaType(const CMediaType* type) {
  return accepted_.MatchesExactly(*type) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT RecordingPin::Receive(IMediaSample* sample) {
  const HRESULT hr = CBaseInputPin::Receive(sample);
  if (hr != S_OK) return hr;
  ReceivedSample received;
  received.timed = SUCCEEDED(sample->GetTime(&received.start, &received.end));
  received.syncPoint = sample->IsSyncPoint() == S_OK;
  received.preroll = sample->IsPreroll() == S_OK;
  received.discontinuity = sample->IsDiscontinuity() == S_OK;
  received.length = sample->GetActualDataLength();
  BYTE* data = nullptr;
  sample->GetPointer(&data);
  received.data = data;
  received.hash = HashBytes(data, static_cast<std::size_t>(received.length));
  {
    const std::lock_guard lock(mutex_);
    received.segmentsBefore = segments_.size();
    samples_.push_back(received);
    if (keep_) kept_.emplace_back(sample);
  }
  Changed();
  return S_OK;
}

HRESULT RecordingPin::EndOfStream() {
  {
    const std::lock_guard lock(mutex_);
    ++endOfStreams_;
  }
  Changed();
  return sink_->NotifyEvent(EC_COMPLETE, S_OK, 0);
}

HRESULT RecordingPin::BeginFlush() {
  {
    const std::lock_guard lock(mutex_);
    ++beginFlushes_;
    kept_.clear();
  }
  Changed();
  return CBaseInputPin::BeginFlush();
}

HRESULT RecordingPin::EndFlush() {
  {
    const std::lock_guard lock(mutex_);
    ++endFlushes_;
  }
  Changed();
  return CBaseInputPin::EndFlush();
}

HRESULT RecordingPin::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
  {
    const std::lock_guard lock(mutex_);
    segments_.push_back(ReceivedSegment{start, stop, rate});
  }
  Changed();
  return CBasePin::NewSegment(start, stop, rate);
}

void RecordingPin::Keep(bool keep) {
  std::vector<ComPtr<IMediaSample>> dropped;
  {
    const std::lock_guard lock(mutex_);
    keep_ = keep;
    if (!keep) dropped.swap(kept_);
  }
}

void RecordingPin::Clear() {
  const std::lock_guard lock(mutex_);
  samples_.clear();
  segments_.clear();
  endOfStreams_ = beginFlushes_ = endFlushes_ = 0;
}

bool RecordingPin::WaitFor(const std::function<bool()>& condition, std::chrono::seconds timeout) {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, timeout, condition);
}

void RecordingPin::Changed() {
  const std::lock_guard lock(mutex_);
  changed_.notify_all();
}

std::vector<ReceivedSample> RecordingPin::Samples() {
  const std::lock_guard lock(mutex_);
  return samples_;
}

std::vector<ReceivedSegment> RecordingPin::Segments() {
  const std::lock_guard lock(mutex_);
  return segments_;
}

int RecordingPin::EndOfStreams() {
  const std::lock_guard lock(mutex_);
  return endOfStreams_;
}

int RecordingPin::BeginFlushes() {
  const std::lock_guard lock(mutex_);
  return beginFlushes_;
}

int RecordingPin::EndFlushes() {
  const std::lock_guard lock(mutex_);
  return endFlushes_;
}

RecordingSink::RecordingSink(const CMediaType& accepted)
    : CBaseFilter(u"Recording Sink", nullptr, &filterLock_, GUID_NULL), pin_(this, &filterLock_, accepted) {}

}  // namespace quorbel::testing
