// An IStream over a file, for feeding the reader in tests.
#pragma once

#include <string>

#include "com/stream.h"

namespace quorbel::testing {

// A new stream on path with one reference, or null when the file does not open.
com::IStream* OpenFileStream(const std::string& path);

}  // namespace quorbel::testing
