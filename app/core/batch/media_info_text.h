// What the source list shows of a file the probe read: its size, frame rate and duration texts,
// and the filter of the open dialog that adds files.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quorbel::app {

// The open dialog's filter: description|patterns| pairs, the text ending with "|".
extern const std::string_view kOpenDialogFilter;

// Hours, minutes and seconds of `seconds`, each at least two digits, joined by `separator`:
// 3725 gives 01:02:05, one hundred hours 100:00:00. A negative time gives a text with a "-".
// `seconds` must lie within +-1e15.
std::string FormatDuration(char separator, double seconds);

// The "Duration" cell of a file of `durationUs` microseconds (whole seconds, truncated);
// "Unknown" when the file has no duration (a negative one).
std::string DurationCellText(int64_t durationUs);

// The "Video Size" cell: "640x480".
std::string VideoSizeCellText(int32_t width, int32_t height);

// The "Frame Rate" cell: the rate rounded to two decimals in the shortest form ("25", "29.97");
// "Unknown" for a rate that is no number (a zero or missing denominator).
std::string FrameRateCellText(int32_t numerator, int32_t denominator);

}  // namespace quorbel::app
