// Globally unique identifiers: 128-bit values that name interfaces, classes, media types and
// formats, written as "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}".
#pragma once

#include <compare>
#include <optional>
#include <string>
#include <string_view>

#include "com/types.h"

namespace quorbel::com {

struct GUID {
  DWORD Data1 = 0;
  WORD Data2 = 0;
  WORD Data3 = 0;
  BYTE Data4[8] = {};

  friend constexpr bool operator==(const GUID&, const GUID&) = default;
  friend constexpr auto operator<=>(const GUID&, const GUID&) = default;
};

using IID = GUID;
using CLSID = GUID;
using REFGUID = const GUID&;
using REFIID = const IID&;
using REFCLSID = const CLSID&;

inline constexpr GUID GUID_NULL{};

namespace detail {
constexpr int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}
}  // namespace detail

// Parses "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" (hex digits in either case, braces
// required); nothing for any other text.
constexpr std::optional<GUID> ParseGuid(std::string_view text) {
  if (text.size() != 38 || text.front() != '{' || text.back() != '}') return std::nullopt;
  // Positions of the hex digit pairs that make up the 16 bytes, in text order.
  constexpr int kPairStarts[16] = {1, 3, 5, 7, 10, 12, 15, 17, 20, 22, 25, 27, 29, 31, 33, 35};
  for (int dash : {9, 14, 19, 24}) {
    if (text[dash] != '-') return std::nullopt;
  }
  BYTE bytes[16] = {};
  for (int i = 0; i < 16; ++i) {
    const int high = detail::HexDigit(text[kPairStarts[i]]);
    const int low = detail::HexDigit(text[kPairStarts[i] + 1]);
    if (high < 0 || low < 0) return std::nullopt;
    bytes[i] = static_cast<BYTE>(high * 16 + low);
  }
  GUID guid;
  guid.Data1 = (DWORD{bytes[0]} << 24) | (DWORD{bytes[1]} << 16) | (DWORD{bytes[2]} << 8) | bytes[3];
  guid.Data2 = static_cast<WORD>((bytes[4] << 8) | bytes[5]);
  guid.Data3 = static_cast<WORD>((bytes[6] << 8) | bytes[7]);
  for (int i = 0; i < 8; ++i) guid.Data4[i] = bytes[8 + i];
  return guid;
}

// A GUID constant from its text; a malformed text does not compile.
consteval GUID MakeGuid(std::string_view text) {
  const std::optional<GUID> guid = ParseGuid(text);
  if (!guid) throw "malformed GUID text";
  return *guid;
}

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" with upper-case digits.
std::string GuidToString(const GUID& guid);

// The GUID as 16 bytes in the order files store it (first three fields little-endian).
void GuidToBytes(const GUID& guid, BYTE bytes[16]);
GUID GuidFromBytes(const BYTE bytes[16]);

}  // namespace quorbel::com
