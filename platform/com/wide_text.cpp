#include "com/wide_text.h"

#include <algorithm>

namespace quorbel::com {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Decodes one code point starting at text[index] and advances index past it.
char32_t DecodeUtf8(std::string_view text, std::size_t& index) {
  const auto lead = static_cast<unsigned char>(text[index++]);
  if (lead < 0x80) return lead;
  int length = 0;
  char32_t value = 0;
  if ((lead & 0xE0) == 0xC0) {
    length = 1;
    value = lead & 0x1F;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 2;
    value = lead & 0x0F;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 3;
    value = lead & 0x07;
  } else {
    return kReplacement;
  }
  for (int i = 0; i < length; ++i) {
    if (index >= text.size()) return kReplacement;
    const auto next = static_cast<unsigned char>(text[index]);
    if ((next & 0xC0) != 0x80) return kReplacement;
    value = (value << 6) | (next & 0x3F);
    ++index;
  }
  constexpr char32_t kSmallest[] = {0, 0x80, 0x800, 0x10000};
  if (value < kSmallest[length] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
    return kReplacement;
  }
  return value;
}

void EncodeUtf8(char32_t value, std::string& out) {
  if (value < 0x80) {
    out += static_cast<char>(value);
  } else if (value < 0x800) {
    out += static_cast<char>(0xC0 | (value >> 6));
    out += static_cast<char>(0x80 | (value & 0x3F));
  } else if (value < 0x10000) {
    out += static_cast<char>(0xE0 | (value >> 12));
    out += static_cast<char>(0x80 | ((value >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (value & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (value >> 18));
    out += static_cast<char>(0x80 | ((value >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((value >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (value & 0x3F));
  }
}

}  // namespace

std::u16string Utf8ToWide(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  std::size_t index = 0;
  while (index < text.size()) {
    const char32_t value = DecodeUtf8(text, index);
    if (value >= 0x10000) {
      out += static_cast<char16_t>(0xD800 + ((value - 0x10000) >> 10));
      out += static_cast<char16_t>(0xDC00 + ((value - 0x10000) & 0x3FF));
    } else {
      out += static_cast<char16_t>(value);
    }
  }
  return out;
}

std::string WideToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t unit = text[i];
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      EncodeUtf8(0x10000 + ((char32_t{unit} - 0xD800) << 10) + (text[i + 1] - 0xDC00), out);
      ++i;
    } else if (unit >= 0xD800 && unit <= 0xDFFF) {
      EncodeUtf8(kReplacement, out);
    } else {
      EncodeUtf8(unit, out);
    }
  }
  return out;
}

void CopyWide(std::u16string_view text, WCHAR* destination, std::size_t capacity) {
  if (capacity == 0) return;
  const std::size_t count = std::min(text.size(), capacity - 1);
  std::copy_n(text.data(), count, destination);
  destination[count] = u'\0';
}

}  // namespace quorbel::com
