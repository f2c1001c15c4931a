// WmvOutputPin: one output pin per stream the reader plays. It offers exactly the stream's
// compressed type, asks downstream for 200 buffers of the stream's largest sample, delivers
// through an output queue with a thread of its own while active, and carries the graph's
// seeking requests to its filter (IMediaSeeking, output_pin_seeking.cpp).
//
// The pin counts its own references: the filter's stream map holds one, and a pin that
// downstream still holds after its removal lives until that reference goes. The pin holds a
// reference on its filter for its whole life, so it can always reach it.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>

#include "com/com_ptr.h"
#include "dshow/output_pin.h"
#include "dshow/output_queue.h"

namespace quorbel::wmvparser {

using namespace quorbel::dshow;

class WmvParserFilter;

class WmvOutputPin final : public CBaseOutputPin, public IMediaSeeking {
 public:
  // name: the stream's name; type: its compressed media type; maxSampleSize: its largest sample.
  WmvOutputPin(WmvParserFilter* filter, CCritSec* lock, const WCHAR* name, const CMediaType& type,
               DWORD maxSampleSize, HRESULT* hr);
  ~WmvOutputPin() override;
  QUORBEL_DECLARE_IUNKNOWN

  HRESULT NonDelegatingQueryInterface(REFIID iid, void** object) override;
  ULONG NonDelegatingAddRef() override;
  ULONG NonDelegatingRelease() override;

  // Sets new segment pending and first sample; when connected, commits the allocator and
  // makes the output queue.
  HRESULT Active() override;
  // Decommits the allocator and ends the output queue.
  HRESULT Inactive() override;
  // Only the stream's exact type.
  HRESULT CheckMediaType(const CMediaType* type) override;
  HRESULT GetMediaType(int position, CMediaType* type) override;
  // 200 buffers of the largest sample; alignment and prefix as proposed.
  HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* properties) override;
  // Queues sample (after a new segment when one is pending); S_FALSE without a queue.
  HRESULT Deliver(IMediaSample* sample) override;
  HRESULT DeliverEndOfStream() override;
  HRESULT DeliverBeginFlush() override;
  // Also makes the next sample open a new segment.
  HRESULT DeliverEndFlush() override;

  // Streaming side, called by the filter on the reader's threads.
  // True once after each activation: the pin's first sample since then.
  bool TakeFirstSample() { return firstSample_.exchange(false); }
  // Lets the output queue send what it holds now.
  void SendAnyway();
  bool IsAudio() const { return streamType_.majortype == MEDIATYPE_Audio; }
  const CMediaType& StreamType() const { return streamType_; }

  // The filter removed the pin: it no longer takes the seeking role.
  void MarkRemoved() { removed_.store(true); }
  bool IsRemoved() const { return removed_.load(); }

  // IMediaSeeking: positions and rate are the filter's, shared by all its output pins; only
  // the pin that holds the seeking role changes them.
  HRESULT GetCapabilities(DWORD* capabilities) override;
  HRESULT CheckCapabilities(DWORD* capabilities) override;
  HRESULT IsFormatSupported(const GUID* format) override;
  HRESULT QueryPreferredFormat(GUID* format) override;
  HRESULT GetTimeFormat(GUID* format) override;
  HRESULT IsUsingTimeFormat(const GUID* format) override;
  HRESULT SetTimeFormat(const GUID* format) override;
  HRESULT GetDuration(LONGLONG* duration) override;
  HRESULT GetStopPosition(LONGLONG* stop) override;
  HRESULT GetCurrentPosition(LONGLONG* current) override;
  HRESULT ConvertTimeFormat(LONGLONG* target, const GUID* targetFormat, LONGLONG source,
                            const GUID* sourceFormat) override;
  HRESULT SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG* stop, DWORD stopFlags) override;
  HRESULT GetPositions(LONGLONG* current, LONGLONG* stop) override;
  HRESULT GetAvailable(LONGLONG* earliest, LONGLONG* latest) override;
  // Refuses a rate of 0 or one that is not finite (E_INVALIDARG): samples are stamped by
  // dividing by it.
  HRESULT SetRate(double rate) override;
  HRESULT GetRate(double* rate) override;
  HRESULT GetPreroll(LONGLONG* preroll) override;

 private:
  std::shared_ptr<COutputQueue> Queue();

  WmvParserFilter* const parser_;
  const ComPtr<IBaseFilter> parserReference_;
  const CMediaType streamType_;
  const DWORD maxSampleSize_;
  std::atomic<bool> newSegmentPending_{true};
  std::atomic<bool> firstSample_{true};
  std::atomic<bool> removed_{false};
  std::mutex queueMutex_;
  std::shared_ptr<COutputQueue> queue_;  // guarded by queueMutex_; set while active and connected
};

}  // namespace quorbel::wmvparser
