#include "pipeline/reencoding_guard.h"

#include "base/text.h"
#include "quorbel/exceptions.h"

namespace quorbel {

void ThrowReencodingUnavailable(int32_t fileIndex, int32_t streamIndex) {
  throw FFMpegException(StrPrintf("Re-encoding is not available yet: output stream #%d.%d needs encoding",
                                  fileIndex, streamIndex));
}

}  // namespace quorbel
