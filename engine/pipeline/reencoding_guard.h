// The failure of an entry point of the pipeline that is not built yet (the video statistics
// file): it ends the run with a message that names the output stream.
#pragma once

#include <cstdint>

namespace quorbel {

// "Re-encoding is not available yet: output stream #%d.%d needs encoding".
[[noreturn]] void ThrowReencodingUnavailable(int32_t fileIndex, int32_t streamIndex);

}  // namespace quorbel
