// Conversion between the UTF-16 names of the interfaces and UTF-8 text.
#pragma once

#include <string>
#include <string_view>

#include "com/types.h"

namespace quorbel::com {

// Invalid sequences become U+FFFD.
std::u16string Utf8ToWide(std::string_view text);
std::string WideToUtf8(std::u16string_view text);

// Copies text into a fixed array of capacity units, cutting it and always terminating it.
void CopyWide(std::u16string_view text, WCHAR* destination, std::size_t capacity);

}  // namespace quorbel::com
