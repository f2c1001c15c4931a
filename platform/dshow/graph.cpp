#include "dshow/graph.h"

#include <algorithm>
#include <chrono>
#include <functional>

#include "com/servers.h"
#include "com/wide_text.h"
#include "dshow/file_source.h"
#include "dshow/filter_mapper.h"

namespace quorbel::dshow {

std::vector<ComPtr<IPin>> PinsOf(IBaseFilter* filter, PIN_DIRECTION direction) {
  std::vector<ComPtr<IPin>> pins;
  ComPtr<IEnumPins> enumerator;
  if (FAILED(filter->EnumPins(enumerator.Receive())) || !enumerator) return pins;
  IPin* pin = nullptr;
  ULONG fetched = 0;
  while (enumerator->Next(1, &pin, &fetched) == S_OK && fetched == 1) {
    ComPtr<IPin> owned = ComPtr<IPin>::Attach(pin);
    PIN_DIRECTION pinDirection;
    if (SUCCEEDED(owned->QueryDirection(&pinDirection)) && pinDirection == direction) {
      pins.push_back(std::move(owned));
    }
  }
  return pins;
}

namespace {

ComPtr<IPin> PeerOf(IPin* pin) {
  ComPtr<IPin> peer;
  pin->ConnectedTo(peer.Receive());
  return peer;
}

ComPtr<IBaseFilter> FilterOf(IPin* pin) {
  PIN_INFO info{};
  if (FAILED(pin->QueryPinInfo(&info))) return {};
  return ComPtr<IBaseFilter>::Attach(info.pFilter);
}

// Disconnects pin and its peer, the pin first.
void DisconnectBothSides(IPin* pin) {
  const ComPtr<IPin> peer = PeerOf(pin);
  if (!peer) return;
  pin->Disconnect();
  peer->Disconnect();
}

}  // namespace

CFilterGraph::CFilterGraph(Registry registry) : CUnknown(nullptr), registry_(std::move(registry)) {}

CFilterGraph::~CFilterGraph() {
  Stop();
  std::vector<ComPtr<IBaseFilter>> filters;
  {
    const std::lock_guard lock(filtersMutex_);
    filters.swap(filters_);
  }
  for (const ComPtr<IBaseFilter>& filter : filters) {
    for (PIN_DIRECTION direction : {PINDIR_INPUT, PINDIR_OUTPUT}) {
      for (const ComPtr<IPin>& pin : PinsOf(filter.Get(), direction)) DisconnectBothSides(pin.Get());
    }
    filter->JoinFilterGraph(nullptr, nullptr);
  }
}

HRESULT CFilterGraph::NonDelegatingQueryInterface(REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  if (iid == IID_IFilterGraph) return GetInterface(static_cast<IFilterGraph*>(this), object);
  if (iid == IID_IMediaEventSink) return GetInterface(static_cast<IMediaEventSink*>(this), object);
  return CUnknown::NonDelegatingQueryInterface(iid, object);
}

HRESULT CFilterGraph::AddFilter(IBaseFilter* filter, const WCHAR* name) {
  if (filter == nullptr) return E_POINTER;
  {
    const std::lock_guard lock(filtersMutex_);
    if (std::any_of(filters_.begin(), filters_.end(), [&](const auto& f) { return f.Get() == filter; })) {
      return E_INVALIDARG;
    }
    filters_.emplace_back(filter);
  }
  const HRESULT hr = filter->JoinFilterGraph(this, name);
  if (FAILED(hr)) {
    const std::lock_guard lock(filtersMutex_);
    filters_.pop_back();
  }
  return hr;
}

HRESULT CFilterGraph::RemoveFilter(IBaseFilter* filter) {
  if (filter == nullptr) return E_POINTER;
  ComPtr<IBaseFilter> removed;
  {
    const std::lock_guard lock(filtersMutex_);
    const auto found =
        std::find_if(filters_.begin(), filters_.end(), [&](const auto& f) { return f.Get() == filter; });
    if (found == filters_.end()) return VFW_E_NOT_FOUND;
    removed = std::move(*found);
    filters_.erase(found);
  }
  for (PIN_DIRECTION direction : {PINDIR_INPUT, PINDIR_OUTPUT}) {
    for (const ComPtr<IPin>& pin : PinsOf(filter, direction)) DisconnectBothSides(pin.Get());
  }
  filter->JoinFilterGraph(nullptr, nullptr);
  return S_OK;
}

HRESULT CFilterGraph::ConnectDirect(IPin* output, IPin* input, const AM_MEDIA_TYPE* type) {
  if (output == nullptr || input == nullptr) return E_POINTER;
  return output->Connect(input, type);
}

HRESULT CFilterGraph::Disconnect(IPin* pin) {
  if (pin == nullptr) return E_POINTER;
  return pin->Disconnect();
}

HRESULT CFilterGraph::Notify(long code, LONG_PTR param1, LONG_PTR param2) {
  {
    const std::lock_guard lock(eventsMutex_);
    events_.push_back(Event{code, param1, param2});
    if (code == EC_COMPLETE) completed_.insert(param2);
    if ((code == EC_ERRORABORT || code == EC_USERABORT) && abortCode_ == 0) abortCode_ = code;
  }
  eventArrived_.notify_all();
  return S_OK;
}

HRESULT CFilterGraph::AddSourceFilter(const WCHAR* fileName, IBaseFilter** source) {
  if (fileName == nullptr || source == nullptr) return E_POINTER;
  *source = nullptr;
  auto* created = new (std::nothrow) CAsyncFileSource();
  if (created == nullptr) return E_OUTOFMEMORY;
  ComPtr<IBaseFilter> filter;
  created->NonDelegatingQueryInterface(IID_IBaseFilter, filter.ReceiveVoid());
  const HRESULT hr = created->Load(fileName, nullptr);
  if (FAILED(hr)) return hr;
  if (const HRESULT added = AddFilter(filter.Get(), fileName); FAILED(added)) return added;
  *source = filter.Detach();
  return S_OK;
}

HRESULT CFilterGraph::ConnectToRegisteredFilter(IPin* output, IBaseFilter** chosen) {
  if (output == nullptr || chosen == nullptr) return E_POINTER;
  *chosen = nullptr;
  RegistryKey root;
  if (const HRESULT hr = registry_.Read(root); FAILED(hr)) return hr;

  std::vector<RegisteredFilter> candidates;
  ComPtr<IEnumMediaTypes> types;
  if (SUCCEEDED(output->EnumMediaTypes(types.Receive())) && types) {
    AM_MEDIA_TYPE* type = nullptr;
    ULONG fetched = 0;
    while (types->Next(1, &type, &fetched) == S_OK && fetched == 1) {
      for (RegisteredFilter& filter : FindFiltersForInput(root, type->majortype, type->subtype)) {
        const bool known = std::any_of(candidates.begin(), candidates.end(),
                                       [&](const RegisteredFilter& c) { return c.clsid == filter.clsid; });
        if (!known) candidates.push_back(std::move(filter));
      }
      DeleteMediaType(type);
    }
  }
  // Best first across all offered types.
  std::stable_sort(candidates.begin(), candidates.end(),
                   [](const RegisteredFilter& a, const RegisteredFilter& b) { return a.merit > b.merit; });

  HRESULT lastFailure = VFW_E_CANNOT_RENDER;
  for (const RegisteredFilter& candidate : candidates) {
    ComPtr<IBaseFilter> filter;
    HRESULT hr = CoCreateInstance(registry_, candidate.clsid, nullptr, IID_IBaseFilter, filter.ReceiveVoid());
    if (FAILED(hr)) {
      lastFailure = hr;
      continue;
    }
    const std::u16string name = Utf8ToWide(candidate.name);
    hr = AddFilter(filter.Get(), name.c_str());
    if (FAILED(hr)) {
      lastFailure = hr;
      continue;
    }
    for (const ComPtr<IPin>& input : PinsOf(filter.Get(), PINDIR_INPUT)) {
      if (PeerOf(input.Get())) continue;
      hr = ConnectDirect(output, input.Get(), nullptr);
      if (SUCCEEDED(hr)) {
        *chosen = filter.Detach();
        return S_OK;
      }
      lastFailure = hr;
    }
    RemoveFilter(filter.Get());
  }
  return lastFailure;
}

HRESULT CFilterGraph::AddSourceAndParser(const WCHAR* fileName, IBaseFilter** source, IBaseFilter** parser) {
  if (source == nullptr || parser == nullptr) return E_POINTER;
  *parser = nullptr;
  HRESULT hr = AddSourceFilter(fileName, source);
  if (FAILED(hr)) return hr;
  const std::vector<ComPtr<IPin>> outputs = PinsOf(*source, PINDIR_OUTPUT);
  if (outputs.empty()) return VFW_E_CANNOT_RENDER;
  return ConnectToRegisteredFilter(outputs.front().Get(), parser);
}

std::vector<ComPtr<IBaseFilter>> CFilterGraph::Filters() {
  const std::lock_guard lock(filtersMutex_);
  return filters_;
}

std::vector<ComPtr<IBaseFilter>> CFilterGraph::DownstreamFirst() {
  const std::vector<ComPtr<IBaseFilter>> filters = Filters();
  std::vector<ComPtr<IBaseFilter>> ordered;
  std::set<IBaseFilter*> visited;
  const std::function<void(const ComPtr<IBaseFilter>&)> visit = [&](const ComPtr<IBaseFilter>& filter) {
    if (!visited.insert(filter.Get()).second) return;
    for (const ComPtr<IPin>& output : PinsOf(filter.Get(), PINDIR_OUTPUT)) {
      const ComPtr<IPin> peer = PeerOf(output.Get());
      if (!peer) continue;
      const ComPtr<IBaseFilter> downstream = FilterOf(peer.Get());
      if (downstream) visit(downstream);
    }
    ordered.push_back(filter);
  };
  for (const ComPtr<IBaseFilter>& filter : filters) visit(filter);
  return ordered;
}

std::vector<ComPtr<IBaseFilter>> CFilterGraph::Renderers() {
  std::vector<ComPtr<IBaseFilter>> renderers;
  for (const ComPtr<IBaseFilter>& filter : Filters()) {
    if (!PinsOf(filter.Get(), PINDIR_OUTPUT).empty()) continue;
    const auto inputs = PinsOf(filter.Get(), PINDIR_INPUT);
    if (std::any_of(inputs.begin(), inputs.end(),
                    [](const ComPtr<IPin>& pin) { return bool(PeerOf(pin.Get())); })) {
      renderers.push_back(filter);
    }
  }
  return renderers;
}

std::vector<ComPtr<IMediaSeeking>> CFilterGraph::SeekingPins() {
  std::vector<ComPtr<IMediaSeeking>> seeking;
  for (const ComPtr<IBaseFilter>& renderer : Renderers()) {
    for (const ComPtr<IPin>& input : PinsOf(renderer.Get(), PINDIR_INPUT)) {
      const ComPtr<IPin> peer = PeerOf(input.Get());
      if (!peer) continue;
      ComPtr<IMediaSeeking> pinSeeking = peer.As<IMediaSeeking>();
      if (pinSeeking) seeking.push_back(std::move(pinSeeking));
    }
  }
  return seeking;
}

HRESULT CFilterGraph::Pause() {
  if (State() == State_Stopped) {
    const std::lock_guard lock(eventsMutex_);
    completed_.clear();
    abortCode_ = 0;
  }
  for (const ComPtr<IBaseFilter>& filter : DownstreamFirst()) {
    const HRESULT hr = filter->Pause();
    if (FAILED(hr)) return hr;
  }
  // Counted before the event lock is taken: enumerating pins takes filter locks, and filters
  // raise events while holding theirs.
  const std::size_t renderers = Renderers().size();
  {
    const std::lock_guard lock(eventsMutex_);
    renderersRunning_ = renderers;
  }
  const std::lock_guard lock(filtersMutex_);
  state_ = State_Paused;
  return S_OK;
}

HRESULT CFilterGraph::Run() {
  if (State() == State_Stopped) {
    const HRESULT hr = Pause();
    if (FAILED(hr)) return hr;
  }
  for (const ComPtr<IBaseFilter>& filter : DownstreamFirst()) {
    const HRESULT hr = filter->Run(0);
    if (FAILED(hr)) return hr;
  }
  const std::lock_guard lock(filtersMutex_);
  state_ = State_Running;
  return S_OK;
}

HRESULT CFilterGraph::Stop() {
  HRESULT result = S_OK;
  for (const ComPtr<IBaseFilter>& filter : DownstreamFirst()) {
    const HRESULT hr = filter->Stop();
    if (FAILED(hr) && SUCCEEDED(result)) result = hr;
  }
  const std::lock_guard lock(filtersMutex_);
  state_ = State_Stopped;
  return result;
}

FILTER_STATE CFilterGraph::State() {
  const std::lock_guard lock(filtersMutex_);
  return state_;
}

HRESULT CFilterGraph::WaitForCompletion(long timeoutMs, long* code) {
  if (code == nullptr) return E_POINTER;
  std::unique_lock lock(eventsMutex_);
  const bool ended = eventArrived_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] {
    return abortCode_ != 0 || (renderersRunning_ > 0 && completed_.size() >= renderersRunning_);
  });
  if (!ended) {
    *code = 0;
    return E_ABORT;
  }
  *code = abortCode_ != 0 ? abortCode_ : EC_COMPLETE;
  return S_OK;
}

HRESULT CFilterGraph::GetEvent(long* code, LONG_PTR* param1, LONG_PTR* param2, long timeoutMs) {
  if (code == nullptr || param1 == nullptr || param2 == nullptr) return E_POINTER;
  std::unique_lock lock(eventsMutex_);
  if (!eventArrived_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                              [this] { return !events_.empty(); })) {
    return E_ABORT;
  }
  const Event event = events_.front();
  events_.pop_front();
  *code = event.code;
  *param1 = event.param1;
  *param2 = event.param2;
  return S_OK;
}

HRESULT CFilterGraph::SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG* stop, DWORD stopFlags) {
  const auto pins = SeekingPins();
  if (pins.empty()) return E_NOTIMPL;
  HRESULT result = S_OK;
  for (const ComPtr<IMediaSeeking>& pin : pins) {
    LONGLONG pinCurrent = current != nullptr ? *current : 0;
    LONGLONG pinStop = stop != nullptr ? *stop : 0;
    const HRESULT hr = pin->SetPositions(&pinCurrent, currentFlags, &pinStop, stopFlags);
    if (FAILED(hr) && SUCCEEDED(result)) result = hr;
  }
  return result;
}

HRESULT CFilterGraph::SetRate(double rate) {
  const auto pins = SeekingPins();
  if (pins.empty()) return E_NOTIMPL;
  HRESULT result = S_OK;
  for (const ComPtr<IMediaSeeking>& pin : pins) {
    const HRESULT hr = pin->SetRate(rate);
    if (FAILED(hr) && SUCCEEDED(result)) result = hr;
  }
  return result;
}

HRESULT CFilterGraph::GetDuration(LONGLONG* duration) {
  const auto pins = SeekingPins();
  return pins.empty() ? E_NOTIMPL : pins.front()->GetDuration(duration);
}

HRESULT CFilterGraph::GetPositions(LONGLONG* current, LONGLONG* stop) {
  const auto pins = SeekingPins();
  return pins.empty() ? E_NOTIMPL : pins.front()->GetPositions(current, stop);
}

}  // namespace quorbel::dshow
