// The filter's timing rules: how a reader sample is stamped for downstream, and which rate the
// reader is started with.
#pragma once

#include "dshow/media_type.h"

namespace quorbel::wmvparser {

// One second of stream time: the step by which the filter's clock lets the reader run ahead.
inline constexpr dshow::REFERENCE_TIME kClockStep = 10000000;

struct SampleStamp {
  dshow::REFERENCE_TIME start = 0;
  dshow::REFERENCE_TIME end = 0;
  bool preroll = false;
  bool syncPoint = false;
  bool discontinuity = false;
};

// time, duration and flags: as the reader delivered the sample (100 ns, WM_SF_*);
// startPosition: where the reader was started; rate: the playback rate (finite, not 0);
// firstSample: the pin's first sample since it became active; audio: the pin carries audio,
// where the reader's discontinuity flag counts only on that first sample.
// start = (time - startPosition) / rate, end = (time - startPosition + duration) / rate, each
// truncated toward zero; samples before the start position are preroll.
SampleStamp StampSample(com::QWORD time, com::QWORD duration, com::DWORD flags,
                        dshow::REFERENCE_TIME startPosition, double rate, bool firstSample, bool audio);

// The rate the reader plays at for a playback rate: 1 to 10 forwards, -10 to -1 backwards.
float ReaderRate(double rate);

}  // namespace quorbel::wmvparser
