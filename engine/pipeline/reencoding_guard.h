// Re-encoding audio (the audio output path) is not built yet. A run whose outputs need it fails
// after its codecs are opened and before any header is written, so no output file is left
// behind; the entry points of that path fail the same way should they be reached. Video and
// subtitle streams are re-encoded.
#pragma once

#include <cstdint>

#include "pipeline/run_tables.h"

namespace quorbel {

// Throws FFMpegException for the first audio output stream that needs encoding.
void RefuseReencoding(const RunTables& tables);

// "Re-encoding is not available yet: output stream #%d.%d needs encoding".
[[noreturn]] void ThrowReencodingUnavailable(int32_t fileIndex, int32_t streamIndex);

}  // namespace quorbel
