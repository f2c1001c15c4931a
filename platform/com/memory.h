// Memory that one module allocates and another frees (media-type format blocks, strings
// returned through out parameters). Every module of the process shares the C library heap.
#pragma once

#include <cstddef>

namespace quorbel::com {

void* CoTaskMemAlloc(std::size_t bytes);
void CoTaskMemFree(void* memory);

}  // namespace quorbel::com
