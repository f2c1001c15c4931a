// Applying the caller's option records to a job, in the order the fields take effect.
#pragma once

#include <string>
#include <vector>

#include "job/custom_ffmpeg.h"
#include "quorbel/options.h"

namespace quorbel {

// ExtOptions, then ForceFormat (input form), StartTime (> 0), ProgramID (>= 0). The file name is
// the caller's to use.
void ApplyInputOptions(TCustomFFmpeg& job, const TInputOptions& options);

// ExtOptions, then every field that applies in the record's order, then the target preset, then,
// when neither hook flag is set, HookRangeText into the job's HookRanges. Wiring the hook
// callbacks for the flags is the component's.
void ApplyOutputOptions(TCustomFFmpeg& job, const TOutputOptions& options);

// "start-end,start-end" in ms -> ranges in us, keeping those with start <= end and end >= 0,
// sorted by end. A bound that is not a number reads as -1 ms.
std::vector<THookRange> ParseHookRanges(const std::string& text);

}  // namespace quorbel
