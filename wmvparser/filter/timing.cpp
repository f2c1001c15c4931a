#include "filter/timing.h"

#include <cmath>
#include <cstdint>

#include "wmsdk/interfaces.h"

namespace quorbel::wmvparser {

namespace {

// Truncates toward zero; values beyond the 64-bit range (a tiny rate) stop at its ends.
dshow::REFERENCE_TIME Truncate(double value) {
  constexpr double kLimit = 9.2e18;
  if (value >= kLimit) return INT64_MAX;
  if (value <= -kLimit) return INT64_MIN;
  return static_cast<dshow::REFERENCE_TIME>(value);
}

}  // namespace

SampleStamp StampSample(com::QWORD time, com::QWORD duration, com::DWORD flags,
                        dshow::REFERENCE_TIME startPosition, double rate, bool firstSample, bool audio) {
  using namespace wmsdk;
  const double factor = 1.0 / rate;
  const double fromStart = static_cast<double>(time) - static_cast<double>(startPosition);
  SampleStamp stamp;
  stamp.start = Truncate(fromStart * factor);
  stamp.end = Truncate((fromStart + static_cast<double>(duration)) * factor);
  stamp.preroll = stamp.start < 0;
  stamp.syncPoint = (flags & WM_SF_CLEANPOINT) != 0;
  // Audio streams report a discontinuity at every gap the reader sees; downstream wants it
  // only where the stream (re)starts or data was lost.
  const com::DWORD counted = !firstSample && audio ? flags & ~WM_SF_DISCONTINUITY : flags;
  stamp.discontinuity = (counted & (WM_SF_DISCONTINUITY | WM_SF_DATALOSS)) != 0;
  return stamp;
}

float ReaderRate(double rate) {
  if (rate < 0) {
    if (rate > -1) return -1.0f;
    if (rate < -10) return -10.0f;
    return static_cast<float>(rate);
  }
  if (rate < 1) return 1.0f;
  if (rate > 10) return 10.0f;
  return static_cast<float>(rate);
}

}  // namespace quorbel::wmvparser
