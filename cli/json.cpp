#include "json.h"

#include <cmath>

#include "base/text.h"

namespace quorbel::cli {

namespace {

bool IsContinuation(unsigned char byte) {
  return (byte & 0xC0) == 0x80;
}

// Length of the well-formed UTF-8 sequence at text[at], 0 when there is none.
size_t Utf8SequenceLength(std::string_view text, size_t at) {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[at + i]); };
  const unsigned char lead = byte(0);
  size_t length = 0;
  unsigned char secondMin = 0x80;
  unsigned char secondMax = 0xBF;
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) secondMin = 0xA0;  // overlong
    if (lead == 0xED) secondMax = 0x9F;  // surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) secondMin = 0x90;  // overlong
    if (lead == 0xF4) secondMax = 0x8F;  // above U+10FFFF
  } else {
    return 0;
  }
  if (at + length > text.size()) return 0;
  if (byte(1) < secondMin || byte(1) > secondMax) return 0;
  for (size_t i = 2; i < length; ++i) {
    if (!IsContinuation(byte(i))) return 0;
  }
  return length;
}

}  // namespace

std::string JsonString(std::string_view text) {
  std::string json = "\"";
  for (size_t at = 0; at < text.size();) {
    const auto c = static_cast<unsigned char>(text[at]);
    switch (c) {
      case '"':
        json += "\\\"";
        break;
      case '\\':
        json += "\\\\";
        break;
      case '\n':
        json += "\\n";
        break;
      case '\r':
        json += "\\r";
        break;
      case '\t':
        json += "\\t";
        break;
      default:
        if (c < 0x20 || c == 0x7F) {
          json += StrPrintf("\\u%04x", c);
        } else if (const size_t length = Utf8SequenceLength(text, at); length > 0) {
          json.append(text.substr(at, length));
          at += length;
          continue;
        } else {
          json += "\\ufffd";
        }
        break;
    }
    ++at;
  }
  return json + "\"";
}

JsonObject& JsonObject::AddRaw(std::string_view key, std::string_view json) {
  if (body_.size() > 1) body_ += ',';
  body_ += JsonString(key);
  body_ += ':';
  body_ += json;
  return *this;
}

JsonObject& JsonObject::Add(std::string_view key, std::string_view text) {
  return AddRaw(key, JsonString(text));
}

JsonObject& JsonObject::Add(std::string_view key, bool value) {
  return AddRaw(key, value ? "true" : "false");
}

JsonObject& JsonObject::Add(std::string_view key, int64_t value) {
  return AddRaw(key, std::to_string(value));
}

JsonObject& JsonObject::AddReal(std::string_view key, double value) {
  return std::isfinite(value) ? AddRaw(key, StrPrintf("%.4f", value)) : AddNull(key);
}

JsonObject& JsonObject::AddNull(std::string_view key) {
  return AddRaw(key, "null");
}

JsonObject& JsonObject::Add(std::string_view key, const JsonObject& object) {
  return AddRaw(key, object.Text());
}

}  // namespace quorbel::cli
