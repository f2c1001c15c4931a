#include "reader_probe.h"

#include "com/com_ptr.h"
#include "wmsdk/sample_buffer.h"

namespace quorbel::testing {

HRESULT ReaderProbe::NonDelegatingQueryInterface(REFIID iid, void** object) {
  if (iid == IID_IWMReaderCallback || iid == IID_IWMStatusCallback) {
    return GetInterface(static_cast<IWMReaderCallback*>(this), object);
  }
  if (iid == IID_IWMReaderCallbackAdvanced)
    return GetInterface(static_cast<IWMReaderCallbackAdvanced*>(this), object);
  return CUnknown::NonDelegatingQueryInterface(iid, object);
}

void ReaderProbe::ReleaseHeldAllocation() {
  {
    const std::lock_guard lock(mutex_);
    releaseHeld_ = true;
  }
  changed_.notify_all();
}

bool ReaderProbe::WaitUntil(const std::function<bool()>& condition, std::chrono::seconds timeout) {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, timeout, condition);
}

int ReaderProbe::StatusCount(WMT_STATUS status) {
  const std::lock_guard lock(mutex_);
  int count = 0;
  for (const auto& [reported, hr] : statuses_) count += reported == status ? 1 : 0;
  return count;
}

HRESULT ReaderProbe::LastResult(WMT_STATUS status) {
  const std::lock_guard lock(mutex_);
  HRESULT result = S_FALSE;
  for (const auto& [reported, hr] : statuses_) {
    if (reported == status) result = hr;
  }
  return result;
}

std::vector<ReaderProbe::Sample> ReaderProbe::Samples() {
  const std::lock_guard lock(mutex_);
  return samples_;
}

std::vector<QWORD> ReaderProbe::Times() {
  const std::lock_guard lock(mutex_);
  return times_;
}

std::vector<WMT_STATUS> ReaderProbe::Statuses() {
  const std::lock_guard lock(mutex_);
  std::vector<WMT_STATUS> statuses;
  for (const auto& entry : statuses_) statuses.push_back(entry.first);
  return statuses;
}

bool ReaderProbe::AllocationHeld() {
  const std::lock_guard lock(mutex_);
  return held_;
}

int ReaderProbe::Allocations() {
  const std::lock_guard lock(mutex_);
  return allocations_;
}

void ReaderProbe::AdvanceClock() {
  IWMReaderAdvanced* reader;
  QWORD horizon;
  {
    const std::lock_guard lock(mutex_);
    reader = clockReader_;
    horizon_ += 10000000;
    horizon = horizon_;
  }
  if (reader != nullptr) reader->DeliverTime(horizon);
}

HRESULT ReaderProbe::OnStatus(WMT_STATUS status, HRESULT hr, WMT_ATTR_DATATYPE, BYTE*, void*) {
  if (status == WMT_STARTED) AdvanceClock();
  {
    const std::lock_guard lock(mutex_);
    statuses_.emplace_back(status, hr);
  }
  changed_.notify_all();
  return S_OK;
}

HRESULT ReaderProbe::OnStreamSample(WORD stream, QWORD time, QWORD duration, DWORD flags, INSSBuffer* sample,
                                    void*) {
  BYTE* data = nullptr;
  DWORD length = 0;
  sample->GetBufferAndLength(&data, &length);
  {
    const std::lock_guard lock(mutex_);
    samples_.push_back(
        Sample{stream, time, duration, flags, length, length > 0 ? data[0] : BYTE{0}, times_.size()});
  }
  changed_.notify_all();
  return S_OK;
}

HRESULT ReaderProbe::OnTime(QWORD time, void*) {
  {
    const std::lock_guard lock(mutex_);
    times_.push_back(time);
  }
  changed_.notify_all();
  AdvanceClock();
  return S_OK;
}

HRESULT ReaderProbe::AllocateForStream(WORD, DWORD size, INSSBuffer** buffer, void*) {
  {
    std::unique_lock lock(mutex_);
    ++allocations_;
    if (allocations_ == holdAt_) {
      held_ = true;
      changed_.notify_all();
      changed_.wait(lock, [this] { return releaseHeld_; });
      held_ = false;
    }
    if (allocations_ == failAt_) return E_FAIL;
  }
  auto* created = new CNSSBuffer(size);
  return created->NonDelegatingQueryInterface(IID_INSSBuffer, reinterpret_cast<void**>(buffer));
}

}  // namespace quorbel::testing
