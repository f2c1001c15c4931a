// The one process-wide lock around codec opening and closing and the reading of stream
// parameters: several jobs open inputs and codecs at once, and parts of the libraries' codec
// initialisation are not safe to run concurrently with it.
#pragma once

#include <mutex>

namespace quorbel {

std::mutex& CodecLock();

}  // namespace quorbel
