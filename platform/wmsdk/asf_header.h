// A look at the top-level objects of an ASF header, for what the demuxer does not tell:
// whether the content is encrypted, and the play duration and preroll of the file
// properties. Only the object headers and the file properties are read.
#pragma once

#include <optional>

#include "wmsdk/interfaces.h"

namespace quorbel::wmsdk {

struct AsfHeaderFacts {
  bool encrypted = false;
  // Play duration minus preroll, 100 ns; none without a file properties object.
  std::optional<QWORD> durationHns;
};

// Reads from the start of stream (its position is left anywhere). VFW_E_INVALID_FILE_FORMAT
// when the bytes do not start with an ASF header or an object in it is malformed; the
// stream's error when reading fails.
HRESULT ScanAsfHeader(IStream* stream, AsfHeaderFacts& facts);

}  // namespace quorbel::wmsdk
