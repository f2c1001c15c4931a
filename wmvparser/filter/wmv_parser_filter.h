// WmvParserFilter, the "WMV Parser": splits a Windows Media (ASF) file into its compressed
// streams. The input pin reads the file through the upstream IAsyncReader; the Windows Media
// reader demultiplexes it and calls this filter back on its own threads, writing each sample
// straight into a downstream buffer; one output pin per selected stream, in ascending stream
// number, delivers the samples through its output queue.
//
// Threads and locks (in this order; never the other way):
//   filter lock  state changes, connection, seeking; held by the control thread, also while it
//                waits for the reader (open, stop, close). The reader's threads and the output
//                queues never take it.
//   status lock  held for the whole of OnStatus and while a handshake is armed, never while
//                waiting.
//   seek lock, pins mutex  leaves: held only to read or write positions and the seeking pin,
//                or the stream map.
// A handshake (open, stop, close) arms the awaited status, asks the reader and waits for the
// status that completes it; it gives up after a time limit with VFW_E_TIMEOUT, and a status
// that comes later is ignored.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "com/com_ptr.h"
#include "dshow/base_filter.h"
#include "filter/async_reader_stream.h"
#include "filter/wmv_input_pin.h"
#include "filter/wmv_output_pin.h"
#include "wmsdk/interfaces.h"

namespace quorbel::wmvparser {

// How long the control thread waits for the reader to complete a request before it gives up.
struct HandshakeLimits {
  uint32_t openMs = 60000;  // opening reads the whole file once
  uint32_t stopMs = 10000;
  uint32_t closeMs = 10000;
};

class WmvParserFilter final : public CBaseFilter,
                              public wmsdk::IWMReaderCallback,
                              public wmsdk::IWMReaderCallbackAdvanced {
 public:
  // The class factory's creation function: a new filter, or null with *hr set.
  static CUnknown* CreateInstance(IUnknown* outer, HRESULT* hr);

  explicit WmvParserFilter(IUnknown* outer);
  ~WmvParserFilter() override;
  QUORBEL_DECLARE_IUNKNOWN
  HRESULT NonDelegatingQueryInterface(REFIID iid, void** object) override;

  // The input pin and one output pin per selected stream.
  int GetPinCount() override;
  // 0: the input pin; 1 to the output pin count: the output pins in ascending stream number.
  CBasePin* GetPin(int index) override;

  // From stopped, starts the reader at the start position after activating the pins.
  // VFW_E_NOT_CONNECTED, staying stopped, when no file is open.
  HRESULT Pause() override;
  // Stops the reader (its result ignored), then deactivates the pins.
  HRESULT Stop() override;

  void SetHandshakeLimits(const HandshakeLimits& limits);

  // The reader's callbacks (reader_callbacks.cpp).
  HRESULT OnStatus(wmsdk::WMT_STATUS status, HRESULT hr, wmsdk::WMT_ATTR_DATATYPE type, BYTE* value,
                   void* context) override;
  // Decompressed output is never asked for: S_FALSE.
  HRESULT OnSample(DWORD output, QWORD time, QWORD duration, DWORD flags, wmsdk::INSSBuffer* sample,
                   void* context) override;
  // Stamps a sample the reader wrote into a buffer from AllocateForStream and delivers it.
  HRESULT OnStreamSample(WORD streamNumber, QWORD time, QWORD duration, DWORD flags,
                         wmsdk::INSSBuffer* sample, void* context) override;
  // Lets the reader run one more second, or ends every stream at the stop position.
  HRESULT OnTime(QWORD time, void* context) override;
  HRESULT OnStreamSelection(WORD count, WORD* streamNumbers, wmsdk::WMT_STREAM_SELECTION* selections,
                            void* context) override;
  HRESULT OnOutputPropsChanged(DWORD output, wmsdk::WM_MEDIA_TYPE* type, void* context) override;
  // A downstream buffer of the stream's pin (waits while downstream holds them all).
  HRESULT AllocateForStream(WORD streamNumber, DWORD size, wmsdk::INSSBuffer** buffer,
                            void* context) override;
  HRESULT AllocateForOutput(DWORD output, DWORD size, wmsdk::INSSBuffer** buffer, void* context) override;

  // For the input pin: opening on connection, closing on disconnection.
  HRESULT OpenFile(IAsyncReader* source);
  void CloseFile();

  // For the output pins (filter_seeking.cpp). Positions are in 100 ns.
  // True when pin holds the seeking role, taking it when no pin does.
  bool ClaimSeekingRole(const WmvOutputPin* pin);
  void ReleaseSeekingRole(const WmvOutputPin* pin);
  // Moves playback to start..stop at rate: while not stopped, flushes every pin, stops the
  // reader and starts it again there.
  HRESULT Seek(REFERENCE_TIME start, REFERENCE_TIME stop, double rate);
  void RecordStop(REFERENCE_TIME stop);
  void RecordRate(double rate);
  REFERENCE_TIME Duration() const { return duration_.load(); }
  REFERENCE_TIME StartPosition() const { return startPosition_.load(); }
  // -1: none.
  REFERENCE_TIME StopPosition() const { return stopPosition_.load(); }
  double Rate() const { return rate_.load(); }

 private:
  enum class AwaitedStatus { kNone = 0, kOpened = 1, kStopped = 2, kClosed = 3 };

  // Arms the handshake for awaited, makes the request and waits up to limitMs for the status.
  HRESULT Handshake(AwaitedStatus awaited, uint32_t limitMs, const std::function<HRESULT()>& request);
  // Completes the handshake that waits for status (under the status lock).
  void CompleteHandshake(AwaitedStatus status, HRESULT hr);
  HRESULT ReadStreams(wmsdk::IWMReader* reader);
  HRESULT StartReader();
  HRESULT StopReader();
  void RemoveOutputPins();
  std::vector<ComPtr<WmvOutputPin>> OutputPins() const;
  ComPtr<WmvOutputPin> PinOfStream(WORD streamNumber) const;
  // Ends every stream once per play: after end of file or at the stop position.
  void DeliverEndOfStreamOnce();

  CCritSec filterLock_;
  const std::unique_ptr<WmvInputPin> inputPin_;
  ComPtr<wmsdk::IWMReader> reader_;       // guarded by filterLock_
  ComPtr<AsyncReaderStream> fileStream_;  // what reader_ reads; guarded by filterLock_
  // The open reader's clock control, for the callbacks: valid while reader_ holds the reader,
  // since releasing the reader joins the threads that call back.
  std::atomic<wmsdk::IWMReaderAdvanced2*> readerClock_{nullptr};
  HandshakeLimits limits_;  // guarded by filterLock_

  mutable std::mutex pinsMutex_;
  std::map<WORD, ComPtr<WmvOutputPin>> streamMap_;  // written under filterLock_ and pinsMutex_
  int outputPinCount_ = 0;                          // as streamMap_

  CCritSec statusLock_;
  CAMEvent statusEvent_{true};
  HRESULT statusResult_ = S_OK;                         // guarded by statusLock_
  AwaitedStatus awaitedStatus_ = AwaitedStatus::kNone;  // guarded by statusLock_
  std::atomic<bool> endOfStreamSent_{false};
  std::atomic<REFERENCE_TIME> deliveryHorizon_{0};

  // Written under seekLock_; read without it where samples are stamped and segmented.
  CCritSec seekLock_;
  std::atomic<REFERENCE_TIME> duration_{0};
  std::atomic<REFERENCE_TIME> startPosition_{0};
  std::atomic<REFERENCE_TIME> stopPosition_{-1};
  std::atomic<double> rate_{1.0};
  const WmvOutputPin* seekingPin_ = nullptr;  // compared only; guarded by seekLock_
};

}  // namespace quorbel::wmvparser
