// RecordingSink: a renderer for the tests that takes exactly one media type and records every
// sample (times, flags, length, where its data lies and a hash of it), every new segment,
// flush and end of stream. It can keep the samples it received, so that the upstream
// allocator runs out of buffers.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

#include "com/com_ptr.h"
#include "dshow/base_filter.h"
#include "dshow/input_pin.h"

namespace quorbel::testing {

using namespace dshow;

uint64_t HashBytes(const BYTE* data, std::size_t size);

struct ReceivedSample {
  REFERENCE_TIME start = 0;
  REFERENCE_TIME end = 0;
  bool timed = false;
  bool syncPoint = false;
  bool preroll = false;
  bool discontinuity = false;
  LONG length = 0;
  const BYTE* data = nullptr;
  uint64_t hash = 0;
  std::size_t segmentsBefore = 0;  // new segments received before this sample
};

struct ReceivedSegment {
  REFERENCE_TIME start;
  REFERENCE_TIME stop;
  double rate;
};

class RecordingSink;

class RecordingPin final : public CBaseInputPin {
 public:
  RecordingPin(RecordingSink* sink, CCritSec* lock, const CMediaType& accepted);

  HRESULT CheckMediaType(const CMediaType* type) override;
  HRESULT Receive(IMediaSample* sample) override;
  HRESULT EndOfStream() override;
  HRESULT BeginFlush() override;
  HRESULT EndFlush() override;
  HRESULT NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;

  // Keeps a reference on each sample received from now on; false drops those kept.
  void Keep(bool keep);
  // Forgets what was recorded.
  void Clear();
  bool WaitFor(const std::function<bool()>& condition,
               std::chrono::seconds timeout = std::chrono::seconds(30));

  std::vector<ReceivedSample> Samples();
  std::vector<ReceivedSegment> Segments();
  int EndOfStreams();
  int BeginFlushes();
  int EndFlushes();

 private:
  void Changed();

  RecordingSink* const sink_;
  const CMediaType accepted_;
  // Recursive: WaitFor conditions use the accessors.
  std::recursive_mutex mutex_;
  std::condition_variable_any changed_;
  std::vector<ReceivedSample> samples_;     // guarded by mutex_
  std::vector<ReceivedSegment> segments_;   // guarded by mutex_
  std::vector<ComPtr<IMediaSample>> kept_;  // guarded by mutex_
  bool keep_ = false;                       // guarded by mutex_
  int endOfStreams_ = 0;                    // guarded by mutex_
  int beginFlushes_ = 0;                    // guarded by mutex_
  int endFlushes_ = 0;                      // guarded by mutex_
};

class RecordingSink final : public CBaseFilter {
 public:
  explicit RecordingSink(const CMediaType& accepted);
  int GetPinCount() override { return 1; }
  CBasePin* GetPin(int index) override { return index == 0 ? &pin_ : nullptr; }
  RecordingPin& Pin() { return pin_; }

 private:
  CCritSec filterLock_;
  RecordingPin pin_;
};

}  // namespace quorbel::testing
