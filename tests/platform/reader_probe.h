// A reader callback that records what the reader reports and drives its clock the way a
// parser filter does (one second ahead at WMT_STARTED and at each OnTime), with a gate that
// can hold AllocateForStream.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <vector>

#include "wmsdk/interfaces.h"

namespace quorbel::testing {

using namespace wmsdk;

class ReaderProbe final : public IWMReaderCallback, public IWMReaderCallbackAdvanced, public CUnknown {
 public:
  struct Sample {
    WORD stream;
    QWORD time;
    QWORD duration;
    DWORD flags;
    DWORD size;
    BYTE firstByte;
    std::size_t timesBefore;  // OnTime calls made before this sample
  };

  ReaderProbe() : CUnknown(nullptr) {}
  QUORBEL_DECLARE_IUNKNOWN
  HRESULT NonDelegatingQueryInterface(REFIID iid, void** object) override;

  // The reader whose clock the probe advances (no reference: the test owns both).
  void DriveClock(IWMReaderAdvanced* reader, QWORD start) {
    const std::lock_guard lock(mutex_);
    clockReader_ = reader;
    horizon_ = start;
  }
  // The n-th AllocateForStream (from 1) waits until Release() of the gate.
  void HoldAllocation(int n) {
    const std::lock_guard lock(mutex_);
    holdAt_ = n;
  }
  void ReleaseHeldAllocation();
  // The n-th AllocateForStream (from 1) fails.
  void FailAllocation(int n) {
    const std::lock_guard lock(mutex_);
    failAt_ = n;
  }

  // Waits until condition holds (checked under the probe's lock, which the accessors may take
  // again); false on timeout.
  bool WaitUntil(const std::function<bool()>& condition,
                 std::chrono::seconds timeout = std::chrono::seconds(20));
  int StatusCount(WMT_STATUS status);
  HRESULT LastResult(WMT_STATUS status);
  std::vector<Sample> Samples();
  std::vector<QWORD> Times();  // OnTime values
  std::vector<WMT_STATUS> Statuses();
  bool AllocationHeld();
  int Allocations();

  HRESULT OnStatus(WMT_STATUS status, HRESULT hr, WMT_ATTR_DATATYPE type, BYTE* value,
                   void* context) override;
  HRESULT OnSample(DWORD, QWORD, QWORD, DWORD, INSSBuffer*, void*) override { return S_FALSE; }
  HRESULT OnStreamSample(WORD stream, QWORD time, QWORD duration, DWORD flags, INSSBuffer* sample,
                         void* context) override;
  HRESULT OnTime(QWORD time, void* context) override;
  HRESULT OnStreamSelection(WORD, WORD*, WMT_STREAM_SELECTION*, void*) override { return S_OK; }
  HRESULT OnOutputPropsChanged(DWORD, WM_MEDIA_TYPE*, void*) override { return S_OK; }
  HRESULT AllocateForStream(WORD stream, DWORD size, INSSBuffer** buffer, void* context) override;
  HRESULT AllocateForOutput(DWORD, DWORD, INSSBuffer**, void*) override { return E_NOTIMPL; }

 private:
  void AdvanceClock();

  std::recursive_mutex mutex_;
  std::condition_variable_any changed_;
  IWMReaderAdvanced* clockReader_ = nullptr;
  QWORD horizon_ = 0;
  std::vector<std::pair<WMT_STATUS, HRESULT>> statuses_;
  std::vector<Sample> samples_;
  std::vector<QWORD> times_;
  int allocations_ = 0;
  int holdAt_ = 0;
  bool held_ = false;
  bool releaseHeld_ = false;
  int failAt_ = 0;
};

}  // namespace quorbel::testing
