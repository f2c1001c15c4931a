#include <algorithm>
#include <cmath>
#include <ctime>
#include <limits>

#include "base/text.h"
#include "options/handlers.h"
#include "quorbel/exceptions.h"

extern "C" {
#include <libavutil/parseutils.h>
}

namespace quorbel {

namespace {

// Days from 1899-12-30 (the date-time origin of TOutputOptions.Timestamp) to 1970-01-01.
constexpr double kUnixEpochDays = 25569.0;
constexpr double kSecondsPerDay = 86400.0;

int64_t ParseTime(const std::string& name, const std::string& value, bool duration) {
  int64_t microseconds = 0;
  if (av_parse_time(&microseconds, value.c_str(), duration ? 1 : 0) < 0) {
    throw FFMpegException(StrPrintf("Invalid %s specification for %s: %s", duration ? "duration" : "date",
                                    name.c_str(), value.c_str()));
  }
  return microseconds;
}

}  // namespace

void SetRecordingTimeMs(TCustomFFmpeg& job, int32_t milliseconds) {
  if (milliseconds <= 0) return;
  job.settings.recordingTimeUs = int64_t{milliseconds} * 1000;
  job.TotalOutputDuration = milliseconds;
}

void SetRecordingTime(TCustomFFmpeg& job, const std::string& name, const std::string& value) {
  const int64_t milliseconds = ParseTime(name, value, true) / 1000;
  // Durations beyond the 32-bit millisecond range (24 days) are held at its end, not wrapped.
  constexpr int64_t kMaxMs = std::numeric_limits<int32_t>::max();
  SetRecordingTimeMs(job, static_cast<int32_t>(std::clamp(milliseconds, int64_t{0}, kMaxMs)));
}

void SetStartTime(TCustomFFmpeg& job, const std::string& name, const std::string& value) {
  job.settings.startTimeUs = ParseTime(name, value, true);
}

void SetInputTsOffset(TCustomFFmpeg& job, const std::string& name, const std::string& value) {
  job.settings.inputTsOffsetUs = ParseTime(name, value, true);
}

void SetRecordTimestamp(TCustomFFmpeg& job, const std::string& name, const std::string& value) {
  const int64_t microseconds = ParseTime(name, value, false);
  job.settings.recordTimestamp =
      static_cast<int64_t>(std::nearbyint(static_cast<double>(microseconds) / 1e6));
}

void SetRecordTimestampFromDateTime(TCustomFFmpeg& job, double dateTime) {
  if (dateTime == 0.0) {
    job.settings.recordTimestamp = static_cast<int64_t>(std::time(nullptr));
    return;
  }
  // The date-time counts local wall-clock time. The C library converts it to UTC with the time
  // zone's rules for that date, daylight saving time included.
  const auto localSeconds = static_cast<time_t>(std::nearbyint((dateTime - kUnixEpochDays) * kSecondsPerDay));
  std::tm fields{};
  gmtime_r(&localSeconds, &fields);
  fields.tm_isdst = -1;
  job.settings.recordTimestamp = static_cast<int64_t>(std::mktime(&fields));
}

}  // namespace quorbel
