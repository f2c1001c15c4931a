// Text helpers shared by the engine's messages and option parsing.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quorbel {

// printf-style formatting into a std::string. Message templates print "%f" with two decimals,
// so callers write "%.2f" where a template says "%f".
std::string StrPrintf(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Removes leading and trailing characters <= ' ' (blanks and control characters).
std::string Trim(std::string_view text);

// Integer text: optional sign, decimal or hexadecimal with a "$" or "0x" prefix, no blanks.
// Throws ConversionError "'abc' is not a valid integer value" when it does not convert or
// does not fit the result type.
int32_t StrToInt(std::string_view text);
int64_t StrToInt64(std::string_view text);
// Same conversions that report failure instead of throwing.
bool TryStrToInt(std::string_view text, int32_t& value);
bool TryStrToInt64(std::string_view text, int64_t& value);

// Real text in the current C locale's notation. Throws ConversionError
// "'abc' is not a valid floating point value".
double StrToFloat(std::string_view text);
bool TryStrToFloat(std::string_view text, double& value);

}  // namespace quorbel
