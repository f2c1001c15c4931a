#include "dshow/base_filter.h"

#include "com/com_ptr.h"
#include "com/wide_text.h"
#include "dshow/base_pin.h"
#include "dshow/enumerators.h"

namespace quorbel::dshow {

CBaseFilter::CBaseFilter(const WCHAR* name, IUnknown* outer, CCritSec* lock, REFCLSID clsid)
    : CUnknown(outer), lock_(lock), clsid_(clsid), name_(name != nullptr ? name : u"") {}

CBaseFilter::~CBaseFilter() = default;

HRESULT CBaseFilter::NonDelegatingQueryInterface(REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  if (iid == IID_IBaseFilter) return GetInterface(static_cast<IBaseFilter*>(this), object);
  return CUnknown::NonDelegatingQueryInterface(iid, object);
}

const FilterSetup* CBaseFilter::GetSetupData() {
  return nullptr;
}

HRESULT CBaseFilter::GetClassID(CLSID* clsid) {
  if (clsid == nullptr) return E_POINTER;
  *clsid = clsid_;
  return S_OK;
}

HRESULT CBaseFilter::Stop() {
  const CAutoLock lock(*lock_);
  HRESULT result = S_OK;
  if (state_ != State_Stopped) {
    for (int i = 0, count = GetPinCount(); i < count; ++i) {
      CBasePin* pin = GetPin(i);
      if (pin == nullptr || !pin->IsConnected()) continue;
      const HRESULT hr = pin->Inactive();
      if (FAILED(hr) && SUCCEEDED(result)) result = hr;
    }
  }
  state_ = State_Stopped;
  return result;
}

HRESULT CBaseFilter::Pause() {
  const CAutoLock lock(*lock_);
  if (state_ == State_Stopped) {
    for (int i = 0, count = GetPinCount(); i < count; ++i) {
      CBasePin* pin = GetPin(i);
      if (pin == nullptr || !pin->IsConnected()) continue;
      const HRESULT hr = pin->Active();
      if (FAILED(hr)) return hr;
    }
  }
  state_ = State_Paused;
  return S_OK;
}

HRESULT CBaseFilter::Run(REFERENCE_TIME start) {
  const CAutoLock lock(*lock_);
  start_ = start;
  if (state_ == State_Stopped) {
    const HRESULT hr = Pause();
    if (FAILED(hr)) return hr;
  }
  if (state_ != State_Running) {
    for (int i = 0, count = GetPinCount(); i < count; ++i) {
      CBasePin* pin = GetPin(i);
      if (pin == nullptr || !pin->IsConnected()) continue;
      const HRESULT hr = pin->Run(start);
      if (FAILED(hr)) return hr;
    }
  }
  state_ = State_Running;
  return S_OK;
}

HRESULT CBaseFilter::GetState(DWORD, FILTER_STATE* state) {
  if (state == nullptr) return E_POINTER;
  const CAutoLock lock(*lock_);
  *state = state_;
  return S_OK;
}

HRESULT CBaseFilter::EnumPins(IEnumPins** pins) {
  if (pins == nullptr) return E_POINTER;
  auto* enumerator = new CEnumPins(this);
  return enumerator->NonDelegatingQueryInterface(IID_IEnumPins, reinterpret_cast<void**>(pins));
}

HRESULT CBaseFilter::FindPin(const WCHAR* id, IPin** pin) {
  if (id == nullptr || pin == nullptr) return E_POINTER;
  const CAutoLock lock(*lock_);
  for (int i = 0, count = GetPinCount(); i < count; ++i) {
    CBasePin* candidate = GetPin(i);
    if (candidate != nullptr && candidate->Name() == id) {
      *pin = candidate;
      candidate->AddRef();
      return S_OK;
    }
  }
  *pin = nullptr;
  return VFW_E_NOT_FOUND;
}

HRESULT CBaseFilter::QueryFilterInfo(FILTER_INFO* info) {
  if (info == nullptr) return E_POINTER;
  const CAutoLock lock(*lock_);
  CopyWide(name_, info->achName, kMaxNameLength);
  info->pGraph = graph_;
  if (graph_ != nullptr) graph_->AddRef();
  return S_OK;
}

HRESULT CBaseFilter::JoinFilterGraph(IFilterGraph* graph, const WCHAR* name) {
  const CAutoLock lock(*lock_);
  graph_ = graph;
  sink_.store(nullptr);
  if (graph != nullptr) {
    // Kept without a reference, as the graph pointer is.
    ComPtr<IMediaEventSink> sink;
    if (SUCCEEDED(graph->QueryInterface(IID_IMediaEventSink, sink.ReceiveVoid()))) sink_.store(sink.Get());
    name_ = name != nullptr ? name : u"";
  }
  return S_OK;
}

HRESULT CBaseFilter::NotifyEvent(long code, LONG_PTR param1, LONG_PTR param2) {
  IMediaEventSink* const sink = sink_.load();
  if (sink == nullptr) return E_NOTIMPL;
  // The sink of EC_COMPLETE learns which filter completed.
  if (code == EC_COMPLETE && param2 == 0)
    param2 = reinterpret_cast<LONG_PTR>(static_cast<IBaseFilter*>(this));
  return sink->Notify(code, param1, param2);
}

bool CBaseFilter::IsStopped() {
  return state_.load() == State_Stopped;
}

bool CBaseFilter::IsActive() {
  return state_.load() != State_Stopped;
}

}  // namespace quorbel::dshow
