#include "base/text.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <vector>

#include "quorbel/exceptions.h"

namespace quorbel {

std::string StrPrintf(const char* format, ...) {
  va_list args;
  va_start(args, format);
  va_list copy;
  va_copy(copy, args);
  const int length = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  std::string result;
  if (length > 0) {
    std::vector<char> buffer(static_cast<size_t>(length) + 1);
    std::vsnprintf(buffer.data(), buffer.size(), format, args);
    result.assign(buffer.data(), static_cast<size_t>(length));
  }
  va_end(args);
  return result;
}

std::string Trim(std::string_view text) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && static_cast<unsigned char>(text[begin]) <= ' ') ++begin;
  while (end > begin && static_cast<unsigned char>(text[end - 1]) <= ' ') --end;
  return std::string(text.substr(begin, end - begin));
}

namespace {

// Leading blanks are skipped, as the classic conversion does; anything after the digits fails.
bool ParseInteger(std::string_view text, int64_t min, int64_t max, int64_t& value) {
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  int base = 10;
  if (i < text.size() && text[i] == '$') {
    base = 16;
    ++i;
  } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  if (i == text.size()) return false;
  // Accumulate as unsigned so that the most negative value still fits.
  const uint64_t limit = negative ? static_cast<uint64_t>(-(min + 1)) + 1 : static_cast<uint64_t>(max);
  uint64_t magnitude = 0;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    int digit;
    if (c >= '0' && c <= '9') {
      digit = c - '0';
    } else if (base == 16 && c >= 'a' && c <= 'f') {
      digit = c - 'a' + 10;
    } else if (base == 16 && c >= 'A' && c <= 'F') {
      digit = c - 'A' + 10;
    } else {
      return false;
    }
    if (magnitude > (limit - static_cast<uint64_t>(digit)) / static_cast<uint64_t>(base)) return false;
    magnitude = magnitude * static_cast<uint64_t>(base) + static_cast<uint64_t>(digit);
  }
  value = negative ? static_cast<int64_t>(0 - magnitude) : static_cast<int64_t>(magnitude);
  return true;
}

[[noreturn]] void ThrowInteger(std::string_view text) {
  throw ConversionError("'" + std::string(text) + "' is not a valid integer value");
}

}  // namespace

bool TryStrToInt(std::string_view text, int32_t& value) {
  int64_t wide = 0;
  if (!ParseInteger(text, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max(), wide)) {
    return false;
  }
  value = static_cast<int32_t>(wide);
  return true;
}

bool TryStrToInt64(std::string_view text, int64_t& value) {
  return ParseInteger(text, std::numeric_limits<int64_t>::min(), std::numeric_limits<int64_t>::max(), value);
}

int32_t StrToInt(std::string_view text) {
  int32_t value = 0;
  if (!TryStrToInt(text, value)) ThrowInteger(text);
  return value;
}

int64_t StrToInt64(std::string_view text) {
  int64_t value = 0;
  if (!TryStrToInt64(text, value)) ThrowInteger(text);
  return value;
}

bool TryStrToFloat(std::string_view text, double& value) {
  const std::string trimmed = Trim(text);
  if (trimmed.empty()) return false;
  // strtod also reads hexadecimal floats, "inf" and "nan"; a decimal real is all that is meant.
  for (const char c : trimmed) {
    if (!((c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.' || c == ',' || c == 'e' || c == 'E')) {
      return false;
    }
  }
  char* end = nullptr;
  errno = 0;
  const double parsed = std::strtod(trimmed.c_str(), &end);
  if (end != trimmed.c_str() + trimmed.size() || errno == ERANGE) return false;
  value = parsed;
  return true;
}

double StrToFloat(std::string_view text) {
  double value = 0;
  if (!TryStrToFloat(text, value)) {
    throw ConversionError("'" + std::string(text) + "' is not a valid floating point value");
  }
  return value;
}

}  // namespace quorbel
