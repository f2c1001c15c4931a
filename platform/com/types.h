// Fixed-width names of the integer types the interfaces below are written in, so that
// signatures read as the interfaces they stand in for.
#pragma once

#include <cstdint>

namespace quorbel::com {

using BYTE = uint8_t;
using WORD = uint16_t;
using DWORD = uint32_t;
using ULONG = uint32_t;
using LONG = int32_t;
using LONGLONG = int64_t;
using QWORD = uint64_t;
using BOOL = int32_t;
using LONG_PTR = intptr_t;
// UTF-16 code unit: names that cross the interfaces are wide-character strings.
using WCHAR = char16_t;

inline constexpr BOOL TRUE = 1;
inline constexpr BOOL FALSE = 0;

}  // namespace quorbel::com
