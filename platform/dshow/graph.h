// CFilterGraph: a minimal filter graph. It holds filters, connects pins (with type
// negotiation by the pins themselves), changes the state of all filters downstream first,
// collects the events filters raise, forwards seeking to the output pins that feed its
// renderers, and builds the start of a playback chain from the registry: a file source and
// the registered filter of highest merit that takes the source's output.
//
// There is no reference clock: Run starts every filter at time 0 and renderers present
// samples as they come. Renderers are the filters without output pins; "complete" means each
// of them has raised EC_COMPLETE.
#pragma once

#include <condition_variable>
#include <deque>
#include <mutex>
#include <set>
#include <vector>

#include "com/com_ptr.h"
#include "com/registry.h"
#include "dshow/interfaces.h"

namespace quorbel::dshow {

// The filter's pins of one direction, in the order its enumerator gives them.
std::vector<ComPtr<IPin>> PinsOf(IBaseFilter* filter, PIN_DIRECTION direction);

class CFilterGraph final : public IFilterGraph, public IMediaEventSink, public CUnknown {
 public:
  explicit CFilterGraph(Registry registry = Registry::Default());
  // Stops the graph and removes every filter.
  ~CFilterGraph() override;
  QUORBEL_DECLARE_IUNKNOWN
  HRESULT NonDelegatingQueryInterface(REFIID iid, void** object) override;

  HRESULT AddFilter(IBaseFilter* filter, const WCHAR* name) override;
  // Disconnects the filter's pins on both sides first.
  HRESULT RemoveFilter(IBaseFilter* filter) override;
  HRESULT ConnectDirect(IPin* output, IPin* input, const AM_MEDIA_TYPE* type) override;
  HRESULT Disconnect(IPin* pin) override;

  HRESULT Notify(long code, LONG_PTR param1, LONG_PTR param2) override;

  // A file source for fileName, loaded and added to the graph.
  HRESULT AddSourceFilter(const WCHAR* fileName, IBaseFilter** source);
  // Tries the registered filters that take output's type, best first, until one connects;
  // it stays in the graph. VFW_E_CANNOT_RENDER when none is registered for the type, else
  // the last candidate's failure.
  HRESULT ConnectToRegisteredFilter(IPin* output, IBaseFilter** chosen);
  // AddSourceFilter and ConnectToRegisteredFilter on the source's output pin.
  HRESULT AddSourceAndParser(const WCHAR* fileName, IBaseFilter** source, IBaseFilter** parser);

  // The filters in the order they were added.
  std::vector<ComPtr<IBaseFilter>> Filters();

  HRESULT Pause();
  HRESULT Run();
  HRESULT Stop();
  FILTER_STATE State();

  // S_OK with *code EC_COMPLETE when every renderer completed, or EC_ERRORABORT /
  // EC_USERABORT as soon as one is raised; E_ABORT when timeoutMs passes first.
  HRESULT WaitForCompletion(long timeoutMs, long* code);
  // Takes the oldest event; E_ABORT when none comes within timeoutMs.
  HRESULT GetEvent(long* code, LONG_PTR* param1, LONG_PTR* param2, long timeoutMs);

  // Seeking, passed to each seeking output pin that feeds a renderer, in the order the
  // filters were added; the first failure is returned.
  HRESULT SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG* stop, DWORD stopFlags);
  HRESULT SetRate(double rate);
  // From the first such pin.
  HRESULT GetDuration(LONGLONG* duration);
  HRESULT GetPositions(LONGLONG* current, LONGLONG* stop);

 private:
  struct Event {
    long code;
    LONG_PTR param1;
    LONG_PTR param2;
  };

  // The filters in the order state changes go: each after all those downstream of it.
  std::vector<ComPtr<IBaseFilter>> DownstreamFirst();
  std::vector<ComPtr<IMediaSeeking>> SeekingPins();
  std::vector<ComPtr<IBaseFilter>> Renderers();

  Registry registry_;
  std::mutex filtersMutex_;
  std::vector<ComPtr<IBaseFilter>> filters_;  // guarded by filtersMutex_
  FILTER_STATE state_ = State_Stopped;        // guarded by filtersMutex_

  std::mutex eventsMutex_;
  std::condition_variable eventArrived_;
  std::deque<Event> events_;          // guarded by eventsMutex_
  std::set<LONG_PTR> completed_;      // renderers that raised EC_COMPLETE; guarded by eventsMutex_
  long abortCode_ = 0;                // guarded by eventsMutex_
  std::size_t renderersRunning_ = 0;  // guarded by eventsMutex_
};

}  // namespace quorbel::dshow
