#include "com/memory.h"

#include <cstdlib>

namespace quorbel::com {

void* CoTaskMemAlloc(std::size_t bytes) {
  return std::malloc(bytes);
}

void CoTaskMemFree(void* memory) {
  std::free(memory);
}

}  // namespace quorbel::com
