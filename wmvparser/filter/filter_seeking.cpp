// The filter's side of seeking: the seeking role, positions and rate, and moving the reader.
#include "filter/wmv_parser_filter.h"

namespace quorbel::wmvparser {

bool WmvParserFilter::ClaimSeekingRole(const WmvOutputPin* pin) {
  const CAutoLock lock(seekLock_);
  // A removed pin cannot take the role: it would keep it from the pins of the next file.
  if (pin->IsRemoved()) return false;
  if (seekingPin_ == nullptr) seekingPin_ = pin;
  return seekingPin_ == pin;
}

void WmvParserFilter::ReleaseSeekingRole(const WmvOutputPin* pin) {
  const CAutoLock lock(seekLock_);
  if (seekingPin_ == pin) seekingPin_ = nullptr;
}

void WmvParserFilter::RecordStop(REFERENCE_TIME stop) {
  const CAutoLock lock(seekLock_);
  stopPosition_.store(stop);
}

void WmvParserFilter::RecordRate(double rate) {
  const CAutoLock lock(seekLock_);
  rate_.store(rate);
}

HRESULT WmvParserFilter::Seek(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
  const CAutoLock lock(filterLock_);
  const bool playing = !IsStopped();
  if (playing) {
    const std::vector<ComPtr<WmvOutputPin>> pins = OutputPins();
    for (const ComPtr<WmvOutputPin>& pin : pins) pin->DeliverBeginFlush();
    StopReader();
    endOfStreamSent_.store(false);
    for (const ComPtr<WmvOutputPin>& pin : pins) pin->DeliverEndFlush();
  }
  {
    const CAutoLock seek(seekLock_);
    rate_.store(rate);
    startPosition_.store(start);
    stopPosition_.store(stop);
  }
  // While stopped the next pause starts the reader at the new start.
  return playing ? StartReader() : S_OK;
}

}  // namespace quorbel::wmvparser
