// COutputQueue: delivers an output pin's samples and stream control to the downstream input
// pin, on a thread of its own (queued) or in the caller's thread (direct).
//
// Samples travel in batches through IMemInputPin::ReceiveMultiple. A batch goes when it holds
// batchSize samples; without exact batching also as soon as the queue has nothing more;
// and in every mode when SendAnyway, EOS or NewSegment asks for it. Stream control keeps its
// place in the order: the samples queued before it are sent first. After a downstream failure
// the queue drops samples and end of stream until the next flush. BeginFlush drops everything
// queued and makes Receive refuse samples (S_FALSE) until EndFlush, which returns only when
// the thread has let go of the samples it held.
//
// Thread priorities other than normal do not exist here; listSize is a capacity hint. There is
// no flushing optimisation: every flush is passed downstream.
#pragma once

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "com/com_ptr.h"
#include "dshow/interfaces.h"

namespace quorbel::dshow {

inline constexpr int THREAD_PRIORITY_NORMAL = 0;
inline constexpr long DEFAULTCACHE = 10;

class COutputQueue {
 public:
  // inputPin: the downstream pin (it must have IMemInputPin, else *hr = E_NOINTERFACE).
  // automatic: queue only when the input pin's ReceiveCanBlock says S_OK, ignoring queued.
  COutputQueue(IPin* inputPin, HRESULT* hr, bool automatic = true, bool queued = true, long batchSize = 1,
               bool batchExact = false, long listSize = DEFAULTCACHE, int priority = THREAD_PRIORITY_NORMAL);
  COutputQueue(const COutputQueue&) = delete;
  COutputQueue& operator=(const COutputQueue&) = delete;
  // Stops the thread; samples still held are released.
  ~COutputQueue();

  // Each call takes over one reference per sample. Returns S_OK, or the refusal or downstream
  // failure that makes the queue drop samples.
  HRESULT Receive(IMediaSample* sample);
  HRESULT ReceiveMultiple(IMediaSample** samples, long count, long* processed);

  void SendAnyway();
  void EOS();
  void NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate);
  void BeginFlush();
  void EndFlush();

  bool IsQueued() const { return queued_; }

 private:
  enum class Kind { kSample, kSendAnyway, kEndOfStream, kNewSegment };
  struct Entry {
    Kind kind;
    IMediaSample* sample;  // kSample: one reference
    REFERENCE_TIME start;
    REFERENCE_TIME stop;
    double rate;
  };

  void ThreadMain();
  // Sends the batch downstream unless a failure or flush stops samples, releases its samples
  // and empties it; called without mutex_ held.
  void SendBatch(std::vector<IMediaSample*>& batch);
  // Performs one stream control entry downstream; called without mutex_ held.
  void SendControl(const Entry& entry);
  HRESULT DirectReceive(IMediaSample** samples, long count, long* processed);
  // Takes the direct mode's held samples and sends them.
  void DirectSendHeld();

  ComPtr<IPin> pin_;
  ComPtr<IMemInputPin> inputPin_;
  bool queued_ = true;
  const long batchSize_;
  const bool batchExact_;

  std::mutex mutex_;
  std::condition_variable wake_;       // the thread: work or a command
  std::condition_variable flushDone_;  // EndFlush: the thread let go of its samples
  std::deque<Entry> queue_;            // guarded by mutex_
  std::vector<IMediaSample*> held_;    // direct mode's partial batch; guarded by mutex_
  HRESULT hr_ = S_OK;                  // S_OK, or why samples are dropped; guarded by mutex_
  bool flushing_ = false;              // guarded by mutex_
  bool flushAcknowledged_ = true;      // guarded by mutex_
  bool terminate_ = false;             // guarded by mutex_
  std::thread thread_;
};

}  // namespace quorbel::dshow
