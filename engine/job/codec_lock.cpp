#include "job/codec_lock.h"

namespace quorbel {

std::mutex& CodecLock() {
  static std::mutex lock;
  return lock;
}

}  // namespace quorbel
