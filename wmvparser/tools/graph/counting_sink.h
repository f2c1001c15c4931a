// CountingSink: a renderer that takes exactly one media type and counts what arrives: samples,
// bytes, the first and last start time, sync points, discontinuities, preroll samples and
// ends of stream. Each end of stream completes it in the graph (EC_COMPLETE).
#pragma once

#include <cstdint>
#include <mutex>
#include <optional>

#include "dshow/base_filter.h"
#include "dshow/input_pin.h"

namespace quorbel::graphtool {

using namespace quorbel::dshow;

struct SampleCounts {
  int64_t samples = 0;
  int64_t bytes = 0;
  std::optional<REFERENCE_TIME> firstStart;  // of the samples that carry a time
  std::optional<REFERENCE_TIME> lastStart;
  int64_t syncPoints = 0;
  int64_t discontinuities = 0;
  int64_t preroll = 0;
  int64_t endOfStreams = 0;
};

class CountingSink;

class CountingInputPin final : public CBaseInputPin {
 public:
  CountingInputPin(CountingSink* sink, CCritSec* lock, const CMediaType& accepted);

  HRESULT CheckMediaType(const CMediaType* type) override;
  HRESULT Receive(IMediaSample* sample) override;
  HRESULT EndOfStream() override;

  SampleCounts Counts();

 private:
  CountingSink* const sink_;
  const CMediaType accepted_;
  std::mutex countsMutex_;
  SampleCounts counts_;  // guarded by countsMutex_
};

class CountingSink final : public CBaseFilter {
 public:
  explicit CountingSink(const CMediaType& accepted);
  int GetPinCount() override { return 1; }
  CBasePin* GetPin(int index) override { return index == 0 ? &pin_ : nullptr; }
  CountingInputPin& Pin() { return pin_; }

 private:
  CCritSec filterLock_;
  CountingInputPin pin_;
};

}  // namespace quorbel::graphtool
