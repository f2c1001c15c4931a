// Priorities of the threads the component starts.
#pragma once

#include <string>

#include "quorbel/transcoder.h"

namespace quorbel {

// Gives the calling thread `priority`: tpIdle runs it under SCHED_IDLE, tpLowest and tpLower
// raise its nice value by 10 and 5, tpNormal leaves it as it is. Returns false with the reason in
// `error` when the system refuses.
bool ApplyThreadPriority(TConvertPriority priority, std::string& error);

}  // namespace quorbel
