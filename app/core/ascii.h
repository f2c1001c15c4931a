// Case folding of the ASCII letters only, as codec names and file tags need; other bytes of UTF-8
// text pass unchanged.
#pragma once

#include <algorithm>
#include <string>
#include <string_view>

namespace quorbel::app {

inline std::string AsciiLower(std::string_view text) {
  std::string lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
  return lower;
}

}  // namespace quorbel::app
