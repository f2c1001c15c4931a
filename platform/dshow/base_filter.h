// CBaseFilter: the state (stopped, paused, running), the pins, the graph a filter belongs to
// and the events it raises there. A derived filter provides GetPinCount and GetPin.
#pragma once

#include <atomic>
#include <string>

#include "dshow/interfaces.h"
#include "dshow/sync.h"

namespace quorbel::dshow {

class CBasePin;
struct FilterSetup;

class CBaseFilter : public CUnknown, public IBaseFilter {
 public:
  // lock: the filter's state lock, shared with its pins; it must outlive the filter.
  CBaseFilter(const WCHAR* name, IUnknown* outer, CCritSec* lock, REFCLSID clsid);
  ~CBaseFilter() override;
  QUORBEL_DECLARE_IUNKNOWN

  HRESULT NonDelegatingQueryInterface(REFIID iid, void** object) override;

  virtual int GetPinCount() = 0;
  // The pin at index (no reference added), or null.
  virtual CBasePin* GetPin(int index) = 0;
  // The registration record of the filter, if it has one.
  virtual const FilterSetup* GetSetupData();

  HRESULT GetClassID(CLSID* clsid) override;
  // Deactivates the connected pins.
  HRESULT Stop() override;
  // From stopped, activates the connected pins first.
  HRESULT Pause() override;
  HRESULT Run(REFERENCE_TIME start) override;
  HRESULT GetState(DWORD timeoutMs, FILTER_STATE* state) override;
  HRESULT EnumPins(IEnumPins** pins) override;
  HRESULT FindPin(const WCHAR* id, IPin** pin) override;
  HRESULT QueryFilterInfo(FILTER_INFO* info) override;
  HRESULT JoinFilterGraph(IFilterGraph* graph, const WCHAR* name) override;

  // Raises an event in the graph's event sink; E_NOTIMPL when the graph has none.
  HRESULT NotifyEvent(long code, LONG_PTR param1, LONG_PTR param2);

  bool IsStopped();
  bool IsActive();
  CCritSec* Lock() const { return lock_; }

 protected:
  CCritSec* const lock_;
  // Written under *lock_; read without it by streaming threads, which must not wait for a
  // lock a state change holds while it waits for them.
  std::atomic<FILTER_STATE> state_{State_Stopped};
  REFERENCE_TIME start_ = 0;  // guarded by *lock_
  const CLSID clsid_;
  std::u16string name_;                          // guarded by *lock_
  IFilterGraph* graph_ = nullptr;                // no reference: the graph owns the filter; guarded by *lock_
  std::atomic<IMediaEventSink*> sink_{nullptr};  // the graph's, no reference; written under *lock_
};

}  // namespace quorbel::dshow
